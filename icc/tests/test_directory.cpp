// The tag directory: find, read, add, link, unread, delete, size, write,
// dump, and the required-tag test.
#include "support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace icctest;

namespace {

Bytes xyz_tag(double x, double y, double z) {
    Bytes b(12);
    icmXYZNumber v{x, y, z};
    write_XYZNumber(&v, b.data());
    return tag_bytes(icmSig("XYZ "), b);
}

Bytes u8_tag(const Bytes &values) {
    return tag_bytes(icmSig("ui08"), values);
}

icmXYZArray *add_xyz(icc *p, uint32_t sig, double x, double y, double z) {
    auto *t = static_cast<icmXYZArray *>(p->add_tag(p, sig, icmSig("XYZ ")));
    if (t == nullptr)
        return nullptr;
    t->count = 1;
    t->allocate(t);
    t->data[0] = icmXYZNumber{x, y, z};
    return t;
}

TEST(IccDirectory, ReadsEntriesInOrderWithoutParsingTags) {
    RawProfile raw;
    raw.tags = {{icmSig("wtpt"), xyz_tag(0.9642, 1, 0.8249)},
                {icmSig("zzzz"), tag_bytes(icmSig("abcd"), Bytes{1, 2, 3})},
                {icmSig("desc"), tag_bytes(icmSig("desc"), Bytes(20, 0))}};
    Loaded l = load(raw.build());
    ASSERT_EQ(l.rv, 0);
    ASSERT_EQ(l.p->tag_count, 3u);
    EXPECT_EQ(l.p->tag_table[0].sig, icmSig("wtpt"));
    EXPECT_EQ(l.p->tag_table[0].ttype, icmSig("XYZ "));
    EXPECT_EQ(l.p->tag_table[0].offset, 168u);
    EXPECT_EQ(l.p->tag_table[0].size, 20u);
    EXPECT_EQ(l.p->tag_table[1].ttype, icmSig("abcd"));
    for (unsigned int i = 0; i < 3; i++)
        EXPECT_EQ(l.p->tag_table[i].object, nullptr);

    EXPECT_EQ(l.p->find_tag(l.p, icmSig("wtpt")), 0);
    EXPECT_EQ(l.p->find_tag(l.p, icmSig("desc")), 0) << "a known type not yet built";
    EXPECT_EQ(l.p->find_tag(l.p, icmSig("zzzz")), 1);
    EXPECT_EQ(l.p->find_tag(l.p, icmSig("bkpt")), 2);

    auto *w = static_cast<icmXYZArray *>(l.p->read_tag(l.p, icmSig("wtpt")));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(l.p->read_tag(l.p, icmSig("wtpt")), w) << "a loaded tag is answered again";
    EXPECT_EQ(w->count, 1u);
    EXPECT_NEAR(w->data[0].Z, 0.8249, 1e-4);

    EXPECT_EQ(l.p->read_tag(l.p, icmSig("zzzz")), nullptr);
    EXPECT_EQ(l.p->error_code, 1);
    EXPECT_STREQ(l.p->error_text, "icc_read_tag: Unhandled tag type 'Unrecognized - 'abcd''");
    EXPECT_EQ(l.p->read_all_tags(l.p), 1);
}

TEST(IccDirectory, ReadTagFailures) {
    RawProfile raw;
    raw.tags = {{icmSig("wtpt"), xyz_tag(1, 1, 1)}};
    Loaded l = load(raw.build());
    ASSERT_EQ(l.rv, 0);
    EXPECT_EQ(l.p->read_tag(l.p, icmSig("desc")), nullptr);
    EXPECT_EQ(l.p->error_code, 2);
    EXPECT_STREQ(l.p->error_text, "icc_read_tag: Tag 'Profile Description' not found");
    EXPECT_EQ(l.p->unread_tag(l.p, icmSig("wtpt")), 2);
    EXPECT_STREQ(l.p->error_text, "icc_unread_tag: Tag 'Media White Point' not currently loaded");
    EXPECT_EQ(l.p->unread_tag(l.p, icmSig("bkpt")), 2);
    EXPECT_STREQ(l.p->error_text, "icc_unread_tag: Tag 'Media Black Point' not found");
    EXPECT_EQ(l.p->delete_tag(l.p, icmSig("bkpt")), 2);
    EXPECT_STREQ(l.p->error_text, "icc_delete_tag: Tag 'Media Black Point' not found");
}

// Sizes and offsets from the file must not reach past the data.
TEST(IccDirectory, CorruptSizesFailBeforeAllocating) {
    RawProfile raw;
    raw.tags = {{icmSig("wtpt"), xyz_tag(1, 1, 1)}, {icmSig("zzz1"), u8_tag(Bytes(40, 7))}};
    const Bytes good = raw.build();

    struct Case {
        const char *what;
        size_t at;
        uint32_t value;
        int read_rv;
        const char *text;
    } cases[] = {
        {"huge count", 128, 0xFFFFFFFFu, 2, "icc_read: Tag table malloc() failed"},
        {"count past data", 128, 1000, 1, "icc_read: read failed on tag table"},
        {"count just past data", 128, 12, 1, "icc_read: read failed on tag table"},
        {"tag offset past data", 136, 0x7FFFFFFF, 1, "icc_read: read failed on tag headers"},
    };
    for (const Case &c : cases) {
        Bytes b = good;
        put32(b, c.at, c.value);
        Loaded l = load(b);
        EXPECT_EQ(l.rv, c.read_rv) << c.what;
        EXPECT_STREQ(l.p->error_text, c.text) << c.what;
        EXPECT_EQ(l.p->tag_count, 0u) << c.what;
        EXPECT_EQ(l.p->tag_table, nullptr) << c.what;
    }

    // A tag whose size runs past the data fails with its type's read message.
    struct TagCase {
        size_t at;
        uint32_t value;
        uint32_t sig;
        const char *text;
    } tag_cases[] = {
        {140, 0xFFFFFFF0u, icmSig("wtpt"), "icmXYZArray_read: read failed"},
        {152, 0x7FFFFFFFu, icmSig("zzz1"), "icmUInt8Array_read: Input failed"},
        {152, 49, icmSig("zzz1"), "icmUInt8Array_read: Input failed"},
        {152, 7, icmSig("zzz1"), "icmUInt8Array_read: Tag too small to be legal"},
    };
    for (const TagCase &c : tag_cases) {
        Bytes b = good;
        put32(b, c.at, c.value);
        Loaded l = load(b);
        ASSERT_EQ(l.rv, 0);
        EXPECT_EQ(l.p->read_tag(l.p, c.sig), nullptr) << c.value;
        EXPECT_EQ(l.p->error_code, 1);
        EXPECT_STREQ(l.p->error_text, c.text);
    }
}

TEST(IccDirectory, ReadingAgainReplacesTheDirectory) {
    RawProfile raw;
    raw.tags = {{icmSig("wtpt"), xyz_tag(1, 1, 1)}};
    Loaded l = load(raw.build());
    ASSERT_NE(l.p->read_tag(l.p, icmSig("wtpt")), nullptr);
    ASSERT_NE(add_xyz(l.p, icmSig("bkpt"), 0, 0, 0), nullptr);
    EXPECT_EQ(l.p->read(l.p, l.stream->io(), 0), 0);
    EXPECT_EQ(l.p->tag_count, 1u);
    EXPECT_EQ(l.p->tag_table[0].object, nullptr);
}

TEST(IccDirectory, AddTagChecksSignatureAndType) {
    icc *p = new_icc();
    struct Case {
        const char *sig, *type;
        const char *text;  // null: succeeds
    } cases[] = {
        {"wtpt", "ui08", "icc_add_tag: wrong tag type for signature"},
        {"desc", "text", "icc_add_tag: wrong tag type for signature"},
        {"zzz1", "ui08", nullptr},
        {"zzz2", "abcd", "icc_add_tag: unsupported tag type"},
        {"zzz1", "ui16", "icc_add_tag: Already have tag ''zzz1'' in profile"},
        {"wtpt", "XYZ ", nullptr},
        {"chad", "sf32", nullptr},
    };
    for (const Case &c : cases) {
        icmBase *t = p->add_tag(p, str2tag(c.sig), str2tag(c.type));
        if (c.text == nullptr) {
            ASSERT_NE(t, nullptr) << c.sig << " " << p->error_text;
            EXPECT_EQ(t->tag_type, str2tag(c.type));
            EXPECT_EQ(t->ref_count, 1);
        } else {
            EXPECT_EQ(t, nullptr) << c.sig;
            EXPECT_EQ(p->error_code, 1);
            EXPECT_STREQ(p->error_text, c.text);
        }
    }
    EXPECT_EQ(p->tag_count, 3u);
    p->del(p);
}

TEST(IccDirectory, DeleteKeepsOrderAndLinksShareOneObject) {
    icc *p = new_icc();
    for (const char *s : {"zzz1", "zzz2", "zzz3", "zzz4"})
        ASSERT_NE(p->add_tag(p, str2tag(s), icmSig("ui08")), nullptr);
    EXPECT_EQ(p->delete_tag(p, icmSig("zzz2")), 0);
    ASSERT_EQ(p->tag_count, 3u);
    EXPECT_EQ(p->tag_table[0].sig, icmSig("zzz1"));
    EXPECT_EQ(p->tag_table[1].sig, icmSig("zzz3"));
    EXPECT_EQ(p->tag_table[2].sig, icmSig("zzz4"));

    icmBase *wt = add_xyz(p, icmSig("wtpt"), 0.9, 1, 0.8);
    icmBase *linked = p->link_tag(p, icmSig("lumi"), icmSig("wtpt"));
    EXPECT_EQ(linked, wt);
    EXPECT_EQ(wt->ref_count, 2);
    EXPECT_EQ(p->link_tag(p, icmSig("rTRC"), icmSig("wtpt")), nullptr);
    EXPECT_STREQ(p->error_text, "icc_link_tag: wrong tag type for signature");
    EXPECT_EQ(p->link_tag(p, icmSig("lumi"), icmSig("wtpt")), nullptr);
    EXPECT_STREQ(p->error_text, "icc_link_tag: Already have tag ''lumi'' in profile");
    EXPECT_EQ(p->link_tag(p, icmSig("bkpt"), icmSig("nope")), nullptr);
    EXPECT_STREQ(p->error_text, "icc_link_tag: Can't find existing tag ''nope''");

    EXPECT_EQ(p->unread_tag(p, icmSig("wtpt")), 0);
    EXPECT_EQ(wt->ref_count, 1) << "the link still holds it";
    EXPECT_EQ(p->tag_table[4].object, wt);
    EXPECT_EQ(p->link_tag(p, icmSig("bkpt"), icmSig("wtpt")), nullptr);
    EXPECT_STREQ(p->error_text, "icc_link_tag: Existing tag ''wtpt'' isn't loaded");
    EXPECT_EQ(p->delete_tag(p, icmSig("lumi")), 0);  // frees the object (sanitizer checks)
    for (const char *s : {"zzz1", "zzz3", "zzz4", "wtpt"})
        EXPECT_EQ(p->delete_tag(p, str2tag(s)), 0);
    EXPECT_EQ(p->tag_count, 0u);
    EXPECT_EQ(p->tag_table, nullptr);
    p->del(p);
}

TEST(IccDirectory, EntriesOfOneTagShareItsObjectAndWriteItOnce) {
    RawProfile raw;
    raw.deviceClass = icmSig("zntu");
    raw.tags = {{icmSig("wtpt"), xyz_tag(0.5, 1, 0.25)},
                {icmSig("zzz1"), u8_tag(Bytes{9})},
                {icmSig("lumi"), Bytes(), 0}};
    Loaded l = load(raw.build());
    ASSERT_EQ(l.rv, 0);
    ASSERT_EQ(l.p->read_all_tags(l.p), 0);
    icmBase *a = l.p->tag_table[0].object;
    EXPECT_EQ(l.p->tag_table[2].object, a);
    EXPECT_EQ(a->ref_count, 2);

    Bytes out = write_profile(l.p);
    ASSERT_FALSE(out.empty()) << l.p->error_text;
    EXPECT_EQ(get32(out, 128), 3u);
    EXPECT_EQ(get32(out, 136), 168u) << "first tag right after the table";
    EXPECT_EQ(get32(out, 160), get32(out, 136)) << "the link points at the same data";
    EXPECT_EQ(get32(out, 164), 20u);
    EXPECT_EQ(get32(out, 148), 188u);
    EXPECT_EQ(out.size(), 188u + 9u) << "data once, the last tag unpadded";
}

TEST(IccDirectory, LayoutSizePaddingAndRepeatability) {
    icc *p = new_icc();
    p->header->deviceClass = icmSig("zntu");  // a class with no required tags
    auto *u8 = static_cast<icmUInt8Array *>(p->add_tag(p, icmSig("zzz1"), icmSig("ui08")));
    u8->count = 5;
    u8->allocate(u8);
    for (unsigned int i = 0; i < 5; i++)
        u8->data[i] = 250 + i;
    auto *u16 = static_cast<icmUInt16Array *>(p->add_tag(p, icmSig("zzz2"), icmSig("ui16")));
    u16->count = 1;
    u16->allocate(u16);
    u16->data[0] = 0xBEEF;
    ASSERT_NE(add_xyz(p, icmSig("wtpt"), 0.9642, 1.0, 0.8249), nullptr);
    ASSERT_NE(p->link_tag(p, icmSig("zzz3"), icmSig("zzz1")), nullptr);
    p->add_tag(p, icmSig("zzz4"), icmSig("ui64"));  // empty: 8 bytes

    unsigned int size = p->get_size(p);
    Bytes out = write_profile(p);
    ASSERT_EQ(out.size(), size) << p->error_text;
    EXPECT_EQ(get32(out, 0), size);
    const size_t table_end = 128 + 4 + 12 * 5;
    size_t prev_end = table_end;
    for (unsigned int i = 0; i < 5; i++) {
        uint32_t off = get32(out, 136 + 12 * i), sz = get32(out, 140 + 12 * i);
        EXPECT_EQ(off % 4, 0u) << i;
        if (i == 3) {
            EXPECT_EQ(off, get32(out, 136)) << "linked";
            continue;
        }
        EXPECT_GE(off, prev_end);
        EXPECT_LT(off, prev_end + 4);
        for (size_t k = prev_end; k < off; k++)
            EXPECT_EQ(out[k], 0) << "padding at " << k;
        prev_end = off + sz;
    }
    EXPECT_EQ(prev_end, out.size());

    // Same profile, same bytes; and it reads back the same.
    EXPECT_EQ(write_profile(p), out);
    Loaded back = load(out);
    ASSERT_EQ(back.rv, 0);
    ASSERT_EQ(back.p->read_all_tags(back.p), 0) << back.p->error_text;
    EXPECT_EQ(back.p->tag_count, 5u);
    EXPECT_EQ(back.p->tag_table[3].object, back.p->tag_table[0].object);
    EXPECT_EQ(back.p->header->deviceClass, icmSig("zntu"));
    EXPECT_EQ(back.p->header->date.year, p->header->date.year);
    EXPECT_EQ(write_profile(back.p), out);
    p->del(p);
}

// A profile inside a larger stream: tag offsets count from its first byte.
TEST(IccDirectory, ProfileAtAnOffsetInTheStream) {
    RawProfile raw;
    raw.deviceClass = icmSig("zntu");
    raw.tags = {{icmSig("wtpt"), xyz_tag(0.25, 0.5, 0.75)}, {icmSig("zzz1"), u8_tag(Bytes{4, 5, 6})}};
    const Bytes profile = raw.build();
    Bytes outer(100 + profile.size(), 0xee);
    std::copy(profile.begin(), profile.end(), outer.begin() + 100);
    auto ms = MemStream::copy(outer);
    icc *p = new_icc();
    ASSERT_EQ(p->read(p, ms->io(), 100), 0) << p->error_text;
    ASSERT_EQ(p->read_all_tags(p), 0) << p->error_text;
    EXPECT_EQ(static_cast<icmXYZArray *>(p->tag_table[0].object)->data[0].Y, 0.5);
    EXPECT_EQ(static_cast<icmUInt8Array *>(p->tag_table[1].object)->data[2], 6u);

    auto out = MemStream::zeroed(40 + profile.size());
    ASSERT_EQ(p->write(p, out->io(), 40), 0) << p->error_text;
    Bytes written = out->bytes();
    EXPECT_EQ(Bytes(written.begin(), written.begin() + 40), Bytes(40, 0));
    EXPECT_EQ(Bytes(written.begin() + 40, written.end()), profile);
    p->stream = nullptr;
    p->del(p);
}

TEST(IccDirectory, SizeAndWriteRefuseWhatCannotBeWritten) {
    icc *p = new_icc();
    auto *big = static_cast<icmUInt32Array *>(p->add_tag(p, icmSig("zzz1"), icmSig("ui32")));
    big->count = 0x40000000;  // 4 GiB of data: the size no longer fits 32 bits
    EXPECT_EQ(p->get_size(p), 0u);
    EXPECT_STREQ(p->error_text, "icc_get_size: Profile size exceeds 32 bits");
    auto ms = MemStream::zeroed(256);
    EXPECT_EQ(p->write(p, ms->io(), 0), 1);
    EXPECT_STREQ(p->error_text, "icc_write: Profile size exceeds 32 bits");
    big->count = 0;

    // Every entry needs its object.
    RawProfile raw;
    raw.deviceClass = icmSig("zntu");
    raw.tags = {{icmSig("wtpt"), xyz_tag(1, 1, 1)}};
    Loaded l = load(raw.build());
    EXPECT_EQ(l.p->get_size(l.p), 0u);
    EXPECT_STREQ(l.p->error_text, "icc_get_size: Internal error - NULL tag element");
    EXPECT_EQ(l.p->write(l.p, ms->io(), 0), 1);
    EXPECT_STREQ(l.p->error_text, "icc_write: Internal error - NULL tag element");
    l.p->stream = l.stream->io();

    // A tag that does not fit the block.
    ASSERT_NE(l.p->read_tag(l.p, icmSig("wtpt")), nullptr);
    auto small = MemStream::zeroed(150);
    EXPECT_EQ(l.p->write(l.p, small->io(), 0), 2);
    EXPECT_STREQ(l.p->error_text, "icmXYZArray_write write failed");
    l.p->stream = l.stream->io();
    p->stream = nullptr;
    p->del(p);
}

TEST(IccDirectory, DumpReadsUnloadedTagsAndLetsThemGo) {
    RawProfile raw;
    raw.tags = {{icmSig("wtpt"), xyz_tag(0.5, 1, 0.25)},
                {icmSig("zzzz"), tag_bytes(icmSig("abcd"), Bytes{1})}};
    Loaded l = load(raw.build());
    std::ostringstream os;
    l.p->dump(l.p, &os, 2);
    const std::string s = os.str();
    EXPECT_EQ(s.rfind("icc:\nHeader:\n", 0), 0u);
    for (const char *part :
         {"tag 0:\n  sig      'wtpt'\n  type     'XYZ '\n  offset   156\n  size     20\n"
          "XYZArray:\n  No. elements = 1\n\n",
          "tag 1:\n  sig      'zzzz'\n  type     'abcd'\n  offset   176\n  size     9\n"
          "Unable to read: 1, icc_read_tag: Unhandled tag type 'Unrecognized - 'abcd''\n\n"})
        EXPECT_NE(s.find(part), std::string::npos) << part << "\n---\n" << s;
    EXPECT_EQ(l.p->tag_table[0].object, nullptr) << "released after the dump";
    std::ostringstream none;
    l.p->dump(l.p, &none, 0);
    EXPECT_EQ(none.str(), "");
}

// A header whose class, channels and spaces match a row; tags by signature.
Bytes legal_case(const char *cls, const char *space, std::vector<const char *> sigs) {
    RawProfile raw;
    raw.deviceClass = str2tag(cls);
    raw.colorSpace = str2tag(space);
    raw.pcs = icmSig("Lab ");
    for (const char *s : sigs)
        raw.tags.push_back({str2tag(s), u8_tag(Bytes{1})});
    return raw.build();
}

TEST(IccLegal, RequiredTagsByClass) {
    struct Case {
        const char *what;
        Bytes profile;
        const char *text;  // null: legal
    } cases[] = {
        {"1-channel output without kTRC", legal_case("prtr", "GRAY", {"desc", "wtpt", "cprt", "A2B0", "B2A0"}),
         "icc_check_legal: deviceClass 'prtr' is missing required tag 'kTRC'"},
        {"1-channel output", legal_case("prtr", "GRAY", {"desc", "wtpt", "cprt", "kTRC"}), nullptr},
        {"named colour 2", legal_case("nmcl", "RGB ", {"ncl2", "desc", "wtpt", "cprt"}), nullptr},
        {"named colour 1", legal_case("nmcl", "RGB ", {"ncol", "desc", "wtpt", "cprt"}), nullptr},
        {"named colour none", legal_case("nmcl", "RGB ", {"desc", "wtpt", "cprt"}),
         "icc_check_legal: deviceClass 'nmcl' is missing required tag 'ncol'"},
        {"class no row names", legal_case("zntu", "RGB ", {}), nullptr},
        {"RGB display with Lab PCS falls to the Lut row", legal_case("mntr", "RGB ", {"desc", "wtpt", "cprt"}),
         "icc_check_legal: deviceClass 'mntr' is missing required tag 'A2B0'"},
        {"CMYK output", legal_case("prtr", "CMYK", {"desc", "A2B0", "B2A0", "gamt", "A2B1", "B2A1", "A2B2", "wtpt", "cprt"}),
         "icc_check_legal: deviceClass 'prtr' is missing required tag 'B2A2'"},
        {"6-colour output", legal_case("prtr", "MCH6", {"desc", "B2A0", "B2A1", "B2A2", "wtpt", "cprt"}), nullptr},
        {"link needs no white point", legal_case("link", "RGB ", {"desc", "A2B0", "pseq", "cprt"}), nullptr},
        {"abstract", legal_case("abst", "Lab ", {"desc", "wtpt", "cprt"}),
         "icc_check_legal: deviceClass 'abst' is missing required tag 'A2B0'"},
        {"abstract over device space", legal_case("abst", "RGB ", {}), nullptr},
        {"colour space", legal_case("spac", "Luv ", {"desc", "A2B0", "wtpt", "cprt"}),
         "icc_check_legal: deviceClass 'spac' is missing required tag 'B2A0'"},
    };
    for (const Case &c : cases) {
        Loaded l = load(c.profile);
        ASSERT_EQ(l.rv, 0) << c.what;
        int rv = icc_check_legal(l.p);
        if (c.text == nullptr) {
            EXPECT_EQ(rv, 0) << c.what << ": " << l.p->error_text;
        } else {
            EXPECT_EQ(rv, 1) << c.what;
            EXPECT_STREQ(l.p->error_text, c.text) << c.what;
            // Size and write refuse an illegal profile with the test's answer.
            EXPECT_EQ(l.p->get_size(l.p), 0u) << c.what;
            auto ms = MemStream::zeroed(4096);
            EXPECT_EQ(l.p->write(l.p, ms->io(), 0), 1) << c.what;
            EXPECT_STREQ(l.p->error_text, c.text) << c.what;
            l.p->stream = l.stream->io();
        }
    }
}

TEST(IccLegal, ProfileWithoutHeader) {
    icc *p = new_icc();
    p->header->del(p->header);
    p->header = nullptr;
    EXPECT_EQ(icc_check_legal(p), 1);
    EXPECT_STREQ(p->error_text, "icc_check_legal: Header is missing");
    EXPECT_EQ(p->get_size(p), 0u);
    auto ms = MemStream::zeroed(256);
    EXPECT_EQ(p->write(p, ms->io(), 0), 1);
    EXPECT_EQ(p->read(p, ms->io(), 0), 1);
    EXPECT_STREQ(p->error_text, "icc_read: No header defined");
    p->stream = nullptr;
    p->del(p);
}

}  // namespace
