// The library against LittleCMS on the profiles of the installed packages and
// on profiles that LittleCMS writes now.
#include "support.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <ctime>
#include <functional>

using namespace icctest;

namespace {

std::vector<const OracleProfile *> select(const std::vector<OracleProfile> &from,
                                          const std::function<bool(const OracleProfile &)> &keep) {
    std::vector<const OracleProfile *> out;
    for (const OracleProfile &o : from)
        if (keep(o))
            out.push_back(&o);
    return out;
}

uint32_t bcd(int v) {
    return uint32_t((v / 10) << 4 | (v % 10));
}

// Header fields and the directory's signatures, as LittleCMS reads them.
void expect_same_as_lcms(const std::string &what, const Bytes &data) {
    SCOPED_TRACE(what);
    Loaded l = load(data);
    ASSERT_EQ(l.rv, 0) << l.p->error_text;
    LcmsProfile lc(data);
    ASSERT_NE(lc.h, nullptr);
    const icmHeader *h = l.p->header;
    EXPECT_EQ(h->deviceClass, (uint32_t)cmsGetDeviceClass(lc.h));
    EXPECT_EQ(h->colorSpace, (uint32_t)cmsGetColorSpace(lc.h));
    EXPECT_EQ(h->pcs, (uint32_t)cmsGetPCS(lc.h));
    EXPECT_EQ(bcd(h->majv) << 24 | uint32_t(h->minv) << 20 | uint32_t(h->bfv) << 16,
              cmsGetEncodedICCversion(lc.h) & 0xFFFF0000u);
    EXPECT_EQ(h->renderingIntent, cmsGetHeaderRenderingIntent(lc.h));
    EXPECT_EQ(h->flags, cmsGetHeaderFlags(lc.h));
    EXPECT_EQ(h->manufacturer, cmsGetHeaderManufacturer(lc.h));
    EXPECT_EQ(h->model, cmsGetHeaderModel(lc.h));
    cmsUInt64Number attributes = 0;
    cmsGetHeaderAttributes(lc.h, &attributes);
    EXPECT_EQ(uint64_t(h->attributes.h) << 32 | h->attributes.l, (uint64_t)attributes);
    struct tm created {};
    ASSERT_TRUE(cmsGetHeaderCreationDateTime(lc.h, &created));
    EXPECT_EQ(h->date.year, unsigned(created.tm_year + 1900));
    EXPECT_EQ(h->date.month, unsigned(created.tm_mon + 1));
    EXPECT_EQ(h->date.day, unsigned(created.tm_mday));
    EXPECT_EQ(h->date.hours, unsigned(created.tm_hour));
    EXPECT_EQ(h->date.minutes, unsigned(created.tm_min));
    EXPECT_EQ(h->date.seconds, unsigned(created.tm_sec));
    EXPECT_EQ(h->creator, cmsGetHeaderCreator(lc.h));

    cmsInt32Number n = cmsGetTagCount(lc.h);
    ASSERT_EQ((cmsInt32Number)l.p->tag_count, n);
    for (cmsInt32Number i = 0; i < n; i++)
        EXPECT_EQ(l.p->tag_table[i].sig, (uint32_t)cmsGetTagSignature(lc.h, (cmsUInt32Number)i)) << i;
}

// XYZ and s15Fixed16 tag values, as LittleCMS reads them.
void expect_values_as_lcms(const std::string &what, const Bytes &data, int *compared) {
    SCOPED_TRACE(what);
    Loaded l = load(data);
    ASSERT_EQ(l.rv, 0);
    LcmsProfile lc(data);
    ASSERT_NE(lc.h, nullptr);
    for (const char *s : {"wtpt", "bkpt", "rXYZ", "gXYZ", "bXYZ", "lumi"}) {
        const uint32_t sig = str2tag(s);
        if (l.p->find_tag(l.p, sig) != 0)
            continue;
        auto *ours = static_cast<icmXYZArray *>(l.p->read_tag(l.p, sig));
        ASSERT_NE(ours, nullptr) << s << ": " << l.p->error_text;
        ASSERT_GE(ours->count, 1u);
        auto *theirs = static_cast<cmsCIEXYZ *>(cmsReadTag(lc.h, (cmsTagSignature)sig));
        ASSERT_NE(theirs, nullptr) << s;
        EXPECT_EQ(ours->data[0].X, theirs->X) << s;
        EXPECT_EQ(ours->data[0].Y, theirs->Y) << s;
        EXPECT_EQ(ours->data[0].Z, theirs->Z) << s;
        ++*compared;
    }
    if (l.p->find_tag(l.p, icmSig("chad")) == 0) {
        auto *ours = static_cast<icmS15Fixed16Array *>(l.p->read_tag(l.p, icmSig("chad")));
        ASSERT_NE(ours, nullptr) << l.p->error_text;
        ASSERT_EQ(ours->count, 9u);
        auto *theirs = static_cast<const double *>(cmsReadTag(lc.h, cmsSigChromaticAdaptationTag));
        ASSERT_NE(theirs, nullptr);
        for (int i = 0; i < 9; i++)
            EXPECT_EQ(ours->data[i], theirs[i]) << "chad " << i;
        ++*compared;
    }
}

TEST(IccOracle, ProfileSetsAreNotEmpty) {
    const auto &pk = package_profiles();
    EXPECT_FALSE(select(pk, [](const OracleProfile &o) { return o.version == 2 && o.all_known; }).empty())
        << "version 2 profiles whose tag types are all known";
    EXPECT_FALSE(select(pk, [](const OracleProfile &o) { return o.version == 2 && !o.all_known; }).empty())
        << "version 2 profiles with a tag type the library does not know";
    EXPECT_FALSE(select(pk, [](const OracleProfile &o) { return o.version == 4; }).empty())
        << "version 4 profiles";
    EXPECT_FALSE(lcms_v2_profiles().empty()) << "version 2 profiles written by LittleCMS";
}

TEST(IccOracle, Version2HeadersAndDirectories) {
    auto v2 = v2_oracle_profiles();
    ASSERT_FALSE(v2.empty());
    for (const OracleProfile *o : v2)
        expect_same_as_lcms(o->path, o->data);
}

TEST(IccOracle, Version4HeadersAndDirectories) {
    auto v4 = select(package_profiles(), [](const OracleProfile &o) { return o.version == 4; });
    ASSERT_FALSE(v4.empty());
    for (const OracleProfile *o : v4)
        expect_same_as_lcms(o->path, o->data);
}

TEST(IccOracle, ArrayTagValues) {
    auto v2 = v2_oracle_profiles();
    ASSERT_FALSE(v2.empty());
    int compared = 0;
    for (const OracleProfile *o : v2)
        expect_values_as_lcms(o->path, o->data, &compared);
    EXPECT_GT(compared, 10);
}

TEST(IccOracle, KnownAndUnknownTypesAreTold) {
    auto known = select(package_profiles(), [](const OracleProfile &o) { return o.version == 2 && o.all_known; });
    auto unknown = select(package_profiles(), [](const OracleProfile &o) { return o.version == 2 && !o.all_known; });
    ASSERT_FALSE(known.empty());
    ASSERT_FALSE(unknown.empty());
    for (const OracleProfile *o : known) {
        Loaded l = load(o->data);
        ASSERT_EQ(l.rv, 0) << o->path;
        for (unsigned int i = 0; i < l.p->tag_count; i++)
            EXPECT_EQ(l.p->find_tag(l.p, l.p->tag_table[i].sig), 0) << o->path << " " << i;
    }
    for (const OracleProfile *o : unknown) {
        Loaded l = load(o->data);
        ASSERT_EQ(l.rv, 0) << o->path;
        int unknown_entries = 0;
        for (unsigned int i = 0; i < l.p->tag_count; i++)
            if (!is_known_type(l.p->tag_table[i].ttype)) {
                EXPECT_EQ(l.p->find_tag(l.p, l.p->tag_table[i].sig), 1) << o->path;
                unknown_entries++;
            }
        EXPECT_GT(unknown_entries, 0) << o->path;
    }

    // A known profile with one private tag of an unknown type added.
    Bytes made = with_private_tag(known.front()->data, icmSig("zntu"), icmSig("zzzz"));
    expect_same_as_lcms("with a private tag", made);
    Loaded l = load(made);
    ASSERT_EQ(l.rv, 0);
    EXPECT_EQ(l.p->find_tag(l.p, icmSig("zntu")), 1);
    EXPECT_EQ(l.p->read_tag(l.p, icmSig("zntu")), nullptr);
    EXPECT_STREQ(l.p->error_text, "icc_read_tag: Unhandled tag type 'Unrecognized - 'zzzz''");
    EXPECT_EQ(l.p->read_tag(l.p, icmSig("wtpt")) != nullptr, true) << "shifted tags still read";
}

// What the library writes, LittleCMS reads the same.
TEST(IccOracle, WrittenProfilesReadTheSameInLittleCms) {
    icc *p = new_icc();
    icmHeader *h = p->header;
    h->deviceClass = icmSig("abst");  // over a device space: no required tags
    h->colorSpace = icmSig("RGB ");
    h->pcs = icmSig("XYZ ");
    h->renderingIntent = 2;
    h->manufacturer = icmSig("ZNTU");
    h->model = 0x12345678;
    h->attributes = icmUint64{3, 0x80000000u};
    h->flags = 1;
    h->creator = icmSig("zntu");
    h->majv = 2, h->minv = 4, h->bfv = 0;
    auto *w = static_cast<icmXYZArray *>(p->add_tag(p, icmSig("wtpt"), icmSig("XYZ ")));
    w->count = 1;
    w->allocate(w);
    w->data[0] = icmXYZNumber{0.9505, 1.0, 1.089};
    auto *lumi = static_cast<icmXYZArray *>(p->add_tag(p, icmSig("lumi"), icmSig("XYZ ")));
    lumi->count = 1;
    lumi->allocate(lumi);
    lumi->data[0] = icmXYZNumber{0, 80.0, 0};
    auto *chad = static_cast<icmS15Fixed16Array *>(p->add_tag(p, icmSig("chad"), icmSig("sf32")));
    chad->count = 9;
    chad->allocate(chad);
    for (int i = 0; i < 9; i++)
        chad->data[i] = (i % 4 == 0) ? 1.0 : -0.03125 * i;
    ASSERT_NE(p->link_tag(p, icmSig("bkpt"), icmSig("wtpt")), nullptr);

    int rv = -1;
    Bytes out = write_profile(p, &rv);
    ASSERT_EQ(rv, 0) << p->error_text;
    expect_same_as_lcms("written", out);
    int compared = 0;
    expect_values_as_lcms("written", out, &compared);
    EXPECT_EQ(compared, 4);
    p->del(p);
}

}  // namespace
