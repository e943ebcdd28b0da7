// Whole profiles: the oracle profiles, and profiles that LittleCMS writes with
// the further tag types, read whole, compared with LittleCMS and written back.
#include "support.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <cstring>
#include <sstream>

using namespace icctest;

namespace {

// A Lut with fewer than 2 grid points or table entries, which the Lut type
// refuses to read (LittleCMS writes its XYZ identity profile with no CLUT).
bool has_unusable_lut(const Bytes &d) {
    const uint32_t n = get32(d, 128);
    for (uint32_t i = 0; i < n; i++) {
        const size_t off = get32(d, 136 + 12 * i);
        const uint32_t type = get32(d, off);
        if (type != icmSig("mft1") && type != icmSig("mft2"))
            continue;
        if (d[off + 8] == 0 || d[off + 9] == 0 || d[off + 10] < 2)
            return true;
        if (type == icmSig("mft2") && ((d[off + 48] << 8 | d[off + 49]) < 2 || (d[off + 50] << 8 | d[off + 51]) < 2))
            return true;
    }
    return false;
}

cmsMLU *mlu(const char *text) {
    cmsMLU *m = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(m, "en", "US", text);
    return m;
}

Bytes save(cmsHPROFILE h) {
    cmsUInt32Number n = 0;
    Bytes data;
    if (cmsSaveProfileToMem(h, nullptr, &n) && n > 0) {
        data.resize(n);
        if (!cmsSaveProfileToMem(h, data.data(), &n))
            data.clear();
    }
    cmsCloseProfile(h);
    return data;
}

// Version 2 profiles written by LittleCMS with the further tag types: one of
// an abstract class over CMYK (which requires no tags) with an XYZ PCS, and
// a named colour profile with a Lab PCS, a copyright and measurement
// conditions.
const std::vector<OracleProfile> &lcms_further_profiles() {
    static std::vector<OracleProfile> profiles = [] {
        std::vector<OracleProfile> out;
        for (bool named : {false, true}) {
            cmsHPROFILE h = cmsCreateProfilePlaceholder(nullptr);
            cmsSetProfileVersion(h, 2.1);
            // An abstract class over a device space has no required tags.
            cmsSetDeviceClass(h, named ? cmsSigNamedColorClass : cmsSigAbstractClass);
            cmsSetColorSpace(h, cmsSigCmykData);
            cmsSetPCS(h, named ? cmsSigLabData : cmsSigXYZData);
            cmsSetHeaderManufacturer(h, icmSig("ZNTU"));
            cmsSetHeaderRenderingIntent(h, 1);

            cmsMLU *text = mlu(named ? "Zentu named colours" : "Zentu further types");
            cmsWriteTag(h, cmsSigProfileDescriptionTag, text);
            cmsWriteTag(h, cmsSigMediaWhitePointTag, cmsD50_XYZ());
            cmsTechnologySignature tech = named ? cmsSigOffsetLithography : cmsSigInkJetPrinter;
            cmsWriteTag(h, cmsSigTechnologyTag, &tech);
            cmsICCViewingConditions vc = {{95.047, 100.0, 108.883}, {19.0, 20.0, 21.78}, named ? 1u : 6u};
            cmsWriteTag(h, cmsSigViewingConditionsTag, &vc);

            cmsNAMEDCOLORLIST *nc = cmsAllocNamedColorList(nullptr, 3, 4, "Zen ", " tu");
            cmsUInt16Number pcs[3] = {31595, 32768, 27030};
            cmsUInt16Number dev[cmsMAXCHANNELS] = {0, 65535, 100, 200};
            cmsAppendNamedColor(nc, "Light", pcs, dev);
            pcs[0] = 1000, dev[3] = 65000;
            cmsAppendNamedColor(nc, "Dark", pcs, dev);
            cmsWriteTag(h, cmsSigNamedColor2Tag, nc);
            cmsFreeNamedColorList(nc);

            if (named) {
                cmsMLU *c = mlu("No copyright, use freely");
                cmsWriteTag(h, cmsSigCopyrightTag, c);
                cmsMLUfree(c);
                cmsICCMeasurementConditions m = {1, {0.1, 0.2, 0.3}, 2, 0.5, 7};
                cmsWriteTag(h, cmsSigMeasurementTag, &m);
            } else {
                cmsScreening s{};
                s.Flag = cmsPRINTER_DEFAULT_SCREENS | cmsFREQUENCE_UNITS_LINES_INCH;
                s.nChannels = 2;
                s.Channels[0] = {150.0, 45.0, cmsSPOT_ROUND};
                s.Channels[1] = {133.25, 75.0, cmsSPOT_ELLIPSE};
                cmsWriteTag(h, cmsSigScreeningTag, &s);

                cmsSEQ *seq = cmsAllocProfileSequenceDescription(nullptr, 2);
                for (cmsUInt32Number i = 0; i < 2; i++) {
                    seq->seq[i].deviceMfg = icmSig("ZNTU");
                    seq->seq[i].deviceModel = 10 + i;
                    seq->seq[i].attributes = i;
                    seq->seq[i].technology = i ? cmsSigFilmWriter : cmsSigGravure;
                    seq->seq[i].Manufacturer = mlu(i ? "Maker two" : "Maker");
                    seq->seq[i].Model = mlu("Model");
                }
                cmsWriteTag(h, cmsSigProfileSequenceDescTag, seq);
                cmsFreeProfileSequenceDescription(seq);

                const cmsUInt16Number table[5] = {0, 1000, 30000, 60000, 65535};
                cmsUcrBg u;
                u.Ucr = cmsBuildTabulatedToneCurve16(nullptr, 5, table);
                u.Bg = cmsBuildTabulatedToneCurve16(nullptr, 3, table);
                u.Desc = mlu("Zentu UCR and BG");
                cmsWriteTag(h, cmsSigUcrBgTag, &u);
                cmsFreeToneCurve(u.Ucr);
                cmsFreeToneCurve(u.Bg);
                cmsMLUfree(u.Desc);

                cmsMLU *maker = mlu("Zentu");
                cmsWriteTag(h, cmsSigDeviceMfgDescTag, maker);
                cmsWriteTag(h, cmsSigViewingCondDescTag, maker);
                cmsMLUfree(maker);
            }
            cmsMLUfree(text);
            OracleProfile o;
            o.path = named ? "lcms:named colours" : "lcms:further types";
            o.data = save(h);
            o.version = o.data.size() > 8 ? o.data[8] : 0;
            o.all_known = true;
            if (o.version == 2)
                out.push_back(std::move(o));
        }
        return out;
    }();
    return profiles;
}

std::vector<const OracleProfile *> all_profiles() {
    std::vector<const OracleProfile *> out;
    for (const auto *set : {&package_profiles(), &lcms_v2_profiles(), &lcms_further_profiles()})
        for (const OracleProfile &o : *set)
            out.push_back(&o);
    return out;
}

// The first directory entry of a type the library does not know, or -1.
int first_unhandled(const icc *p) {
    for (unsigned int i = 0; i < p->tag_count; i++)
        if (!is_known_type(p->tag_table[i].ttype))
            return (int)i;
    return -1;
}

std::string lcms_description(cmsHPROFILE h) {
    char buf[1024] = {0};
    cmsGetProfileInfoASCII(h, cmsInfoDescription, "en", "US", buf, sizeof buf);
    return buf;
}

std::string mlu_text(const cmsMLU *m) {
    char buf[256] = {0};
    cmsMLUgetASCII(m, "en", "US", buf, sizeof buf);
    return buf;
}

std::string tag_dump(icmBase *o) {
    std::ostringstream os;
    o->dump(o, &os, 3);
    return os.str();
}

void expect_same_header(const icmHeader *a, const icmHeader *b) {
    EXPECT_EQ(a->deviceClass, b->deviceClass);
    EXPECT_EQ(a->colorSpace, b->colorSpace);
    EXPECT_EQ(a->pcs, b->pcs);
    EXPECT_EQ(a->renderingIntent, b->renderingIntent);
    EXPECT_EQ(a->manufacturer, b->manufacturer);
    EXPECT_EQ(a->model, b->model);
    EXPECT_EQ(a->attributes.l, b->attributes.l);
    EXPECT_EQ(a->attributes.h, b->attributes.h);
    EXPECT_EQ(a->flags, b->flags);
    EXPECT_EQ(a->creator, b->creator);
    EXPECT_EQ(a->cmmId, b->cmmId);
    EXPECT_EQ(a->majv * 100 + a->minv * 10 + a->bfv, b->majv * 100 + b->minv * 10 + b->bfv);
    EXPECT_STREQ(DateTimeNumber2str(&a->date), std::string(DateTimeNumber2str(&b->date)).c_str());
    EXPECT_EQ(a->platform, b->platform);
    EXPECT_EQ(a->illuminant.X, b->illuminant.X);
    EXPECT_EQ(a->illuminant.Y, b->illuminant.Y);
    EXPECT_EQ(a->illuminant.Z, b->illuminant.Z);
}

// Header fields and the description as LittleCMS reports them, the size apart.
void expect_same_in_lcms(cmsHPROFILE a, cmsHPROFILE b) {
    EXPECT_EQ(cmsGetDeviceClass(a), cmsGetDeviceClass(b));
    EXPECT_EQ(cmsGetColorSpace(a), cmsGetColorSpace(b));
    EXPECT_EQ(cmsGetPCS(a), cmsGetPCS(b));
    EXPECT_EQ(cmsGetEncodedICCversion(a), cmsGetEncodedICCversion(b));
    EXPECT_EQ(cmsGetHeaderRenderingIntent(a), cmsGetHeaderRenderingIntent(b));
    EXPECT_EQ(cmsGetHeaderFlags(a), cmsGetHeaderFlags(b));
    EXPECT_EQ(cmsGetHeaderManufacturer(a), cmsGetHeaderManufacturer(b));
    EXPECT_EQ(cmsGetHeaderModel(a), cmsGetHeaderModel(b));
    EXPECT_EQ(cmsGetHeaderCreator(a), cmsGetHeaderCreator(b));
    cmsUInt64Number fa = 0, fb = 0;
    cmsGetHeaderAttributes(a, &fa);
    cmsGetHeaderAttributes(b, &fb);
    EXPECT_EQ(fa, fb);
    struct tm ta {}, tb {};
    ASSERT_TRUE(cmsGetHeaderCreationDateTime(a, &ta));
    ASSERT_TRUE(cmsGetHeaderCreationDateTime(b, &tb));
    EXPECT_EQ(mktime(&ta), mktime(&tb));
    EXPECT_EQ(lcms_description(a), lcms_description(b));
}

TEST(IccWholeProfiles, ReadWholeOrNameTheFirstUnhandledType) {
    int whole = 0, refused = 0;
    for (const OracleProfile *o : all_profiles()) {
        SCOPED_TRACE(o->path);
        Loaded l = load(o->data);
        ASSERT_EQ(l.rv, 0) << l.p->error_text;
        const int first = first_unhandled(l.p);
        const int rv = l.p->read_all_tags(l.p);
        if (first < 0 && has_unusable_lut(o->data)) {
            EXPECT_EQ(rv, 1);
            EXPECT_STREQ(l.p->error_text, "icmLut_read: Unusable table sizes");
        } else if (first < 0) {
            EXPECT_EQ(rv, 0) << l.p->error_text;
            whole++;
        } else {
            EXPECT_EQ(rv, 1);
            EXPECT_EQ(std::string(l.p->error_text),
                      std::string("icc_read_tag: Unhandled tag type '") +
                          tagtype2str(l.p->tag_table[first].ttype) + "'");
            refused++;
        }
    }
    EXPECT_GT(whole, 0);
    EXPECT_GT(refused, 0);
}

// The description, technology, viewing and measurement conditions as
// LittleCMS reads them.
TEST(IccWholeProfiles, DescriptionTechnologyViewingAndMeasurementAsLittleCms) {
    int descs = 0, techs = 0, views = 0, measurements = 0;
    for (const OracleProfile *o : all_profiles()) {
        SCOPED_TRACE(o->path);
        Loaded l = load(o->data);
        ASSERT_EQ(l.rv, 0);
        LcmsProfile lc(o->data);
        ASSERT_NE(lc.h, nullptr);
        icc *p = l.p;
        int i = -1;
        for (unsigned int k = 0; k < p->tag_count; k++)
            if (p->tag_table[k].sig == icmSig("desc"))
                i = (int)k;
        if (i >= 0 && p->tag_table[i].ttype == icmSig("desc")) {
            auto *d = static_cast<icmTextDescription *>(p->read_tag(p, icmSig("desc")));
            ASSERT_NE(d, nullptr) << p->error_text;
            EXPECT_EQ(std::string(d->desc != nullptr ? d->desc : ""), lcms_description(lc.h));
            descs++;
        }
        if (p->find_tag(p, icmSig("tech")) == 0) {
            auto *s = static_cast<icmSignature *>(p->read_tag(p, icmSig("tech")));
            ASSERT_NE(s, nullptr) << p->error_text;
            auto *theirs = static_cast<cmsTechnologySignature *>(cmsReadTag(lc.h, cmsSigTechnologyTag));
            ASSERT_NE(theirs, nullptr);
            EXPECT_EQ(s->sig, (uint32_t)*theirs);
            techs++;
        }
        if (p->find_tag(p, icmSig("view")) == 0) {
            auto *v = static_cast<icmViewingConditions *>(p->read_tag(p, icmSig("view")));
            ASSERT_NE(v, nullptr) << p->error_text;
            auto *theirs = static_cast<cmsICCViewingConditions *>(cmsReadTag(lc.h, cmsSigViewingConditionsTag));
            ASSERT_NE(theirs, nullptr);
            EXPECT_NEAR(v->illuminant.X, theirs->IlluminantXYZ.X, 1e-9);
            EXPECT_NEAR(v->illuminant.Y, theirs->IlluminantXYZ.Y, 1e-9);
            EXPECT_NEAR(v->illuminant.Z, theirs->IlluminantXYZ.Z, 1e-9);
            EXPECT_NEAR(v->surround.X, theirs->SurroundXYZ.X, 1e-9);
            EXPECT_NEAR(v->surround.Y, theirs->SurroundXYZ.Y, 1e-9);
            EXPECT_NEAR(v->surround.Z, theirs->SurroundXYZ.Z, 1e-9);
            EXPECT_EQ((uint32_t)v->stdIlluminant, theirs->IlluminantType);
            views++;
        }
        if (p->find_tag(p, icmSig("meas")) == 0) {
            auto *m = static_cast<icmMeasurement *>(p->read_tag(p, icmSig("meas")));
            ASSERT_NE(m, nullptr) << p->error_text;
            auto *theirs = static_cast<cmsICCMeasurementConditions *>(cmsReadTag(lc.h, cmsSigMeasurementTag));
            ASSERT_NE(theirs, nullptr);
            EXPECT_EQ((uint32_t)m->observer, theirs->Observer);
            EXPECT_NEAR(m->backing.X, theirs->Backing.X, 1e-9);
            EXPECT_NEAR(m->backing.Y, theirs->Backing.Y, 1e-9);
            EXPECT_NEAR(m->backing.Z, theirs->Backing.Z, 1e-9);
            EXPECT_EQ((uint32_t)m->geometry, theirs->Geometry);
            EXPECT_NEAR(m->flare, theirs->Flare, 1e-9);
            EXPECT_EQ((uint32_t)m->illuminant, theirs->IlluminantType);
            measurements++;
        }
    }
    EXPECT_GT(descs, 10);
    EXPECT_GT(techs, 0);
    EXPECT_GT(views, 0);
    EXPECT_GT(measurements, 0);
}

// Named colours, sequence, screening and UCR/BG values as LittleCMS reads them.
TEST(IccWholeProfiles, FurtherTypesAsLittleCms) {
    for (const OracleProfile &o : lcms_further_profiles()) {
        SCOPED_TRACE(o.path);
        Loaded l = load(o.data);
        ASSERT_EQ(l.rv, 0);
        LcmsProfile lc(o.data);
        ASSERT_NE(lc.h, nullptr);
        icc *p = l.p;

        auto *nc = static_cast<icmNamedColor *>(p->read_tag(p, icmSig("ncl2")));
        ASSERT_NE(nc, nullptr) << p->error_text;
        auto *list = static_cast<cmsNAMEDCOLORLIST *>(cmsReadTag(lc.h, cmsSigNamedColor2Tag));
        ASSERT_NE(list, nullptr);
        ASSERT_EQ(nc->count, cmsNamedColorCount(list));
        const bool lab = p->header->pcs == icmSig("Lab ");
        for (unsigned int i = 0; i < nc->count; i++) {
            char name[256], prefix[33], suffix[33];
            cmsUInt16Number pcs[3], dev[cmsMAXCHANNELS];
            ASSERT_TRUE(cmsNamedColorInfo(list, i, name, prefix, suffix, pcs, dev));
            EXPECT_STREQ(nc->data[i].root, name);
            EXPECT_STREQ(nc->prefix, prefix);
            EXPECT_STREQ(nc->suffix, suffix);
            const double *c = nc->data[i].pcsCoords;
            if (lab) {
                EXPECT_DOUBLE_EQ(c[0], pcs[0] * 100.0 / 65280.0);
                EXPECT_DOUBLE_EQ(c[1], pcs[1] / 256.0 - 128.0);
                EXPECT_DOUBLE_EQ(c[2], pcs[2] / 256.0 - 128.0);
            } else {
                for (int k = 0; k < 3; k++)
                    EXPECT_DOUBLE_EQ(c[k], pcs[k] / 32768.0);
            }
            for (unsigned int k = 0; k < nc->nDeviceCoords; k++)
                EXPECT_DOUBLE_EQ(nc->data[i].deviceCoords[k], dev[k] / 65535.0);
        }

        if (p->find_tag(p, icmSig("pseq")) == 0) {
            auto *seq = static_cast<icmProfileSequenceDesc *>(p->read_tag(p, icmSig("pseq")));
            ASSERT_NE(seq, nullptr) << p->error_text;
            auto *theirs = static_cast<cmsSEQ *>(cmsReadTag(lc.h, cmsSigProfileSequenceDescTag));
            ASSERT_NE(theirs, nullptr);
            ASSERT_EQ(seq->count, theirs->n);
            for (unsigned int i = 0; i < seq->count; i++) {
                const icmDescStruct &e = seq->data[i];
                EXPECT_EQ(e.deviceMfg, theirs->seq[i].deviceMfg);
                EXPECT_EQ(e.deviceModel, theirs->seq[i].deviceModel);
                EXPECT_EQ(uint64_t(e.attributes.h) << 32 | e.attributes.l, theirs->seq[i].attributes);
                EXPECT_EQ(e.technology, (uint32_t)theirs->seq[i].technology);
                EXPECT_EQ(std::string(e.device.desc), mlu_text(theirs->seq[i].Manufacturer));
                EXPECT_EQ(std::string(e.model.desc), mlu_text(theirs->seq[i].Model));
            }
        }

        if (p->find_tag(p, icmSig("scrn")) == 0) {
            auto *s = static_cast<icmScreening *>(p->read_tag(p, icmSig("scrn")));
            ASSERT_NE(s, nullptr) << p->error_text;
            auto *theirs = static_cast<cmsScreening *>(cmsReadTag(lc.h, cmsSigScreeningTag));
            ASSERT_NE(theirs, nullptr);
            EXPECT_EQ(s->screeningFlag, theirs->Flag);
            ASSERT_EQ(s->channels, theirs->nChannels);
            for (unsigned int i = 0; i < s->channels; i++) {
                EXPECT_NEAR(s->data[i].frequency, theirs->Channels[i].Frequency, 1e-9);
                EXPECT_NEAR(s->data[i].angle, theirs->Channels[i].ScreenAngle, 1e-9);
                EXPECT_EQ((uint32_t)s->data[i].spotShape, theirs->Channels[i].SpotShape);
            }
        }

        if (p->find_tag(p, icmSig("bfd ")) == 0) {
            auto *u = static_cast<icmUcrBg *>(p->read_tag(p, icmSig("bfd ")));
            ASSERT_NE(u, nullptr) << p->error_text;
            auto *theirs = static_cast<cmsUcrBg *>(cmsReadTag(lc.h, cmsSigUcrBgTag));
            ASSERT_NE(theirs, nullptr);
            const struct {
                unsigned int n;
                const double *v;
                const cmsToneCurve *t;
            } curves[] = {{u->UCRcount, u->UCRcurve, theirs->Ucr}, {u->BGcount, u->BGcurve, theirs->Bg}};
            for (const auto &c : curves) {
                ASSERT_EQ(c.n, cmsGetToneCurveEstimatedTableEntries(c.t));
                const cmsUInt16Number *table = cmsGetToneCurveEstimatedTable(c.t);
                for (unsigned int i = 0; i < c.n; i++)
                    EXPECT_DOUBLE_EQ(c.v[i], table[i] / 65535.0) << i;
            }
            EXPECT_EQ(std::string(u->string), mlu_text(theirs->Desc));
        }
    }
}

// Each profile that reads whole and is legal, written and read back.
TEST(IccWholeProfiles, RoundTrip) {
    int round_trips = 0, further = 0;
    for (const OracleProfile *o : all_profiles()) {
        SCOPED_TRACE(o->path);
        Loaded l = load(o->data);
        ASSERT_EQ(l.rv, 0);
        if (first_unhandled(l.p) >= 0 || has_unusable_lut(o->data))
            continue;
        ASSERT_EQ(l.p->read_all_tags(l.p), 0) << l.p->error_text;
        if (icc_check_legal(l.p) != 0)
            continue;
        int rv = -1;
        Bytes out = write_profile(l.p, &rv);
        ASSERT_EQ(rv, 0) << l.p->error_text;
        EXPECT_EQ(get32(out, 0), out.size());

        Loaded back = load(out);
        ASSERT_EQ(back.rv, 0) << back.p->error_text;
        ASSERT_EQ(back.p->read_all_tags(back.p), 0) << back.p->error_text;
        expect_same_header(l.p->header, back.p->header);
        ASSERT_EQ(back.p->tag_count, l.p->tag_count);
        for (unsigned int i = 0; i < l.p->tag_count; i++) {
            const icmTag &a = l.p->tag_table[i], &b = back.p->tag_table[i];
            EXPECT_EQ(a.sig, b.sig) << i;
            EXPECT_EQ(a.ttype, b.ttype) << i;
            EXPECT_EQ(tag_dump(a.object), tag_dump(b.object)) << tag2str(a.sig);
        }

        LcmsProfile theirs(o->data), ours(out);
        ASSERT_NE(ours.h, nullptr);
        expect_same_in_lcms(theirs.h, ours.h);

        EXPECT_EQ(write_profile(back.p), out) << "written again";
        round_trips++;
        further += o->path.rfind("lcms:further", 0) == 0 || o->path.rfind("lcms:named", 0) == 0;
    }
    EXPECT_GT(round_trips, 10);
    EXPECT_EQ(further, 2) << "the profiles with the further types";
}

}  // namespace
