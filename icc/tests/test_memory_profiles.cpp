// Profiles in memory: the block stream buffer, the whole read that leaves
// private tags alone, and the profiles our generator writes.
#include "support.h"

#include "icc/icc_memory.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

using namespace icctest;
namespace fs = std::filesystem;

namespace {

using Buf = basic_membuf<char>;
const std::ios_base::openmode kIn = std::ios_base::in, kOut = std::ios_base::out;

TEST(IccMemory, PositionsStayInsideTheBlock) {
    struct Case {
        long off;
        std::ios_base::seekdir way;
        std::ios_base::openmode which;
        long answer;  // -1: refused
        long get, put;  // the positions afterwards
    };
    // Every case starts with the get position at 4 and the put position at 2.
    const Case cases[] = {
        {0, std::ios_base::beg, kIn, 0, 0, 2},
        {8, std::ios_base::beg, kIn, 8, 8, 2},
        {9, std::ios_base::beg, kIn, -1, 4, 2},
        {-1, std::ios_base::beg, kIn, -1, 4, 2},
        {-3, std::ios_base::end, kIn, 5, 5, 2},
        {-9, std::ios_base::end, kIn, -1, 4, 2},
        {3, std::ios_base::cur, kIn, 7, 7, 2},
        {5, std::ios_base::cur, kIn, -1, 4, 2},
        {1, std::ios_base::cur, kIn | kOut, -1, 4, 2},
        {1, std::ios_base::cur, kOut, 3, 4, 3},
        {1, std::ios_base::end, kOut, -1, 4, 2},
        {0, std::ios_base::end, kOut, 8, 4, 8},
        {6, std::ios_base::beg, kIn | kOut, 6, 6, 2},
        {LONG_MIN, std::ios_base::cur, kIn, -1, 4, 2},
        {LONG_MAX, std::ios_base::end, kOut, -1, 4, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.off) + " " + std::to_string(int(c.way)) + " " + std::to_string(int(c.which)));
        char block[8] = {};
        Buf buf(block, block + 8);
        buf.pubseekoff(4, std::ios_base::beg, kIn);
        buf.pubseekoff(2, std::ios_base::beg, kOut);
        EXPECT_EQ(long(buf.pubseekoff(c.off, c.way, c.which)), c.answer);
        EXPECT_EQ(long(buf.pubseekoff(0, std::ios_base::cur, kIn)), c.get);
        EXPECT_EQ(long(buf.pubseekoff(0, std::ios_base::cur, kOut)), c.put);
    }
    char block[4] = {};
    Buf buf(block, block + 4);
    EXPECT_EQ(long(buf.pubseekpos(4, kOut)), 4);
    EXPECT_EQ(long(buf.pubseekpos(std::streampos(-1), kIn)), -1);
    Buf none(static_cast<char *>(nullptr), nullptr);
    EXPECT_EQ(long(none.pubseekoff(0, std::ios_base::beg, kIn | kOut)), -1) << "no areas, nothing to move";
}

TEST(IccMemory, WritesStopAtTheEndOfTheBlock) {
    char block[8] = "1234567";
    Buf buf(block, block + 4);
    EXPECT_EQ(buf.sputn("abcdef", 6), 4);
    EXPECT_EQ(buf.sputc('x'), EOF);
    EXPECT_STREQ(block, "abcd567");

    const char fixed[4] = "abc";
    Buf reading(fixed, fixed + 3);
    EXPECT_EQ(reading.sputc('x'), EOF);
    EXPECT_EQ(long(reading.pubseekoff(0, std::ios_base::beg, kOut)), -1);
    char got[4] = {};
    EXPECT_EQ(reading.sgetn(got, 4), 3);
    EXPECT_STREQ(got, "abc");
}

const OracleProfile &known_v2() {
    for (const OracleProfile &o : package_profiles())
        if (o.version == 2 && o.all_known)
            return o;
    throw std::runtime_error("no version 2 oracle profile with known types");
}

// The offset of the tag with that signature in the profile's data.
size_t tag_offset(const Bytes &b, uint32_t sig) {
    for (uint32_t i = 0; i < get32(b, 128); i++)
        if (get32(b, 132 + 12 * i) == sig)
            return get32(b, 136 + 12 * i);
    return 0;
}

struct Read {
    icc *p = new_icc();
    int rv;
    explicit Read(const Bytes &b) : rv(icc_read_memory(p, b.data(), (unsigned int)b.size())) {}
    ~Read() { p->del(p); }
};

TEST(IccMemory, PrivateTagsOfUnknownTypesAreLeftUnread) {
    const Bytes made = with_private_tag(known_v2().data, icmSig("zntu"), icmSig("zzzz"));
    {
        Read r(made);
        ASSERT_EQ(r.rv, 0) << r.p->error_text;
        EXPECT_EQ(r.p->stream, nullptr);
        for (unsigned int i = 0; i < r.p->tag_count; i++)
            EXPECT_EQ(r.p->tag_table[i].object != nullptr, r.p->tag_table[i].sig != icmSig("zntu")) << i;
    }
    // A private tag of a known type is read like any other, and must read.
    const Bytes text = with_private_tag(known_v2().data, icmSig("zntu"), icmSig("sf32"));
    EXPECT_EQ(Read(text).rv, 0);
    const Bytes broken = with_private_tag(known_v2().data, icmSig("zntu"), icmSig("curv"));
    EXPECT_NE(Read(broken).rv, 0) << "a curve of 0x01020304 entries in four bytes";

    // A known signature in a type the library cannot read still fails.
    Bytes v4desc = made;
    const size_t at = tag_offset(v4desc, icmSig("desc"));
    ASSERT_NE(at, 0u);
    put32(v4desc, at, icmSig("mluc"));
    Read r(v4desc);
    EXPECT_EQ(r.rv, 1);
    EXPECT_STREQ(r.p->error_text, "icc_read_tag: Unhandled tag type 'Unrecognized - 'mluc''");
}

// --- the generated profiles

const char kDescription[] = "<GTS_:cpc>CGATS TR 001</GTS_:cpc>";

Bytes file_bytes(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string lcms_description(cmsHPROFILE h) {
    char text[256] = {};
    cmsGetProfileInfoASCII(h, cmsInfoDescription, "en", "US", text, sizeof text);
    return text;
}

using LcmsProfile = std::unique_ptr<void, cmsBool (*)(cmsHPROFILE)>;

LcmsProfile lcms_open(const Bytes &b) {
    return LcmsProfile(cmsOpenProfileFromMem(b.data(), (cmsUInt32Number)b.size()), cmsCloseProfile);
}

std::vector<uint32_t> signatures(const icc *p) {
    std::vector<uint32_t> out;
    for (unsigned int i = 0; i < p->tag_count; i++)
        out.push_back(p->tag_table[i].sig);
    return out;
}

std::vector<uint32_t> sigs(std::initializer_list<const char *> names) {
    std::vector<uint32_t> out;
    for (const char *n : names)
        out.push_back(str2tag(n));
    return out;
}

class GeneratedProfiles : public ::testing::Test {
protected:
    void SetUp() override {
        char made[] = "/tmp/icc-generated-XXXXXX";
        ASSERT_NE(mkdtemp(made), nullptr);
        dir_ = made;
    }
    void TearDown() override { fs::remove_all(dir_); }

    // The built-in profiles, and with `all` the other outputs too, into a folder.
    int generate(const fs::path &into, bool all) {
        std::string command = std::string("'") + ICC_PROFILE_GENERATOR + "' --builtins '" + into.string() + "'";
        if (all)
            command += " --conditions '" + into.string() + "' --resources '" + (into / "resources.cpp").string() + "'";
        return std::system(command.c_str());
    }

    fs::path dir_;
};

TEST_F(GeneratedProfiles, TwoRunsWriteTheSameBytes) {
    ASSERT_EQ(generate(dir_ / "a", true), 0);
    ASSERT_EQ(generate(dir_ / "b", true), 0);
    int files = 0;
    for (const auto &entry : fs::directory_iterator(dir_ / "a")) {
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(file_bytes(entry.path()), file_bytes(dir_ / "b" / entry.path().filename()));
        files++;
    }
    EXPECT_EQ(files, 10);
}

TEST_F(GeneratedProfiles, BuiltInsAreLegalInputProfiles) {
    ASSERT_EQ(generate(dir_, false), 0);
    struct Case {
        const char *file;
        size_t size;
        int minor;
        const char *space, *pcs;
        std::vector<uint32_t> tags;
    };
    const Case cases[] = {
        {"ICCPROFILE 110.icc", 944, 1, "GRAY", "XYZ ", sigs({"wtpt", "bkpt", "kTRC", "cprt", "desc"})},
        {"ICCPROFILE 112.icc", 83436, 0, "CMYK", "Lab ", sigs({"wtpt", "kTRC", "A2B0", "gamt", "cprt", "desc"})},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        const Bytes data = file_bytes(dir_ / c.file);
        ASSERT_EQ(data.size(), c.size);
        Read r(data);
        ASSERT_EQ(r.rv, 0) << r.p->error_text;
        const icmHeader *h = r.p->header;
        EXPECT_EQ(h->deviceClass, icmSig("scnr"));
        EXPECT_EQ(h->majv * 100 + h->minv * 10 + h->bfv, 200 + c.minor * 10);
        EXPECT_EQ(h->colorSpace, str2tag(c.space));
        EXPECT_EQ(h->pcs, str2tag(c.pcs));
        EXPECT_EQ(signatures(r.p), c.tags);
        for (unsigned int i = 0; i < r.p->tag_count; i++) {
            const icmTag &e = r.p->tag_table[i];
            if (e.sig == icmSig("A2B0") || e.sig == icmSig("gamt")) {
                EXPECT_EQ(e.ttype, icmSig("mft2"));
            }
        }
        EXPECT_EQ(icc_check_legal(r.p), 0) << r.p->error_text;
        LcmsProfile lc = lcms_open(data);
        ASSERT_NE(lc, nullptr);
        EXPECT_EQ(lcms_description(lc.get()), kDescription);
    }
}

// The profiles of the reference printing conditions, as the build left
// them in the module folder.
TEST(PrintingConditionProfiles, LieInTheModuleFolderAndPrintAsTheirModelSays) {
    struct Case {
        const char *file, *description;
    };
    const Case cmyk[] = {
        {"ANSI TR 001.icc", "CGATS TR 001"},
        {"ISO 12647-3.icc", "Ifra_NP_40lcm_neg+CTP_05.00"},
        {"OF COM PO P1 F60.icc", "OF COM PO P1 F60"},
        {"OF COM PO P2 F60.icc", "OF COM PO P2 F60"},
        {"OF COM PO P3 F60.icc", "OF COM PO P3 F60"},
        {"OF COM PO P4 F60.icc", "OF COM PO P4 F60"},
    };
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    for (const Case &c : cmyk) {
        SCOPED_TRACE(c.file);
        const Bytes data = file_bytes(fs::path(ZENTU_MODULE_DIR) / c.file);
        ASSERT_GT(data.size(), 132u);
        EXPECT_EQ(get32(data, 0), data.size());
        Read r(data);
        ASSERT_EQ(r.rv, 0) << r.p->error_text;
        EXPECT_EQ(r.p->header->deviceClass, icmSig("prtr"));
        EXPECT_EQ(r.p->header->colorSpace, icmSig("CMYK"));
        EXPECT_EQ(r.p->header->pcs, icmSig("Lab "));
        EXPECT_EQ(r.p->find_tag(r.p, icmSig("A2B1")), 0);
        EXPECT_EQ(icc_check_legal(r.p), 0) << r.p->error_text;

        LcmsProfile lc = lcms_open(data);
        ASSERT_NE(lc, nullptr);
        EXPECT_EQ(lcms_description(lc.get()), c.description);
        // Paper stays white, four solid inks print nearly black, cyan is blue-green.
        cmsHTRANSFORM t = cmsCreateTransform(lc.get(), TYPE_CMYK_DBL, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
        ASSERT_NE(t, nullptr);
        const double inks[3][4] = {{0, 0, 0, 0}, {100, 100, 100, 100}, {100, 0, 0, 0}};
        cmsCIELab out[3];
        cmsDoTransform(t, inks, out, 3);
        cmsDeleteTransform(t);
        EXPECT_GT(out[0].L, 99.0);
        EXPECT_LT(std::fabs(out[0].a) + std::fabs(out[0].b), 1.0);
        EXPECT_LT(out[1].L, 20.0);
        EXPECT_LT(out[2].a, -15.0);
        EXPECT_LT(out[2].b, -25.0);
    }
    cmsCloseProfile(lab);

    const Bytes rgb = file_bytes(fs::path(ZENTU_MODULE_DIR) / "ecirgb10.icm");
    Read r(rgb);
    ASSERT_EQ(r.rv, 0) << r.p->error_text;
    EXPECT_EQ(r.p->header->deviceClass, icmSig("mntr"));
    EXPECT_EQ(r.p->header->colorSpace, icmSig("RGB "));
    EXPECT_EQ(r.p->header->pcs, icmSig("XYZ "));
    EXPECT_EQ(icc_check_legal(r.p), 0) << r.p->error_text;
    LcmsProfile lc = lcms_open(rgb);
    ASSERT_NE(lc, nullptr);
    // The three colorants add up to the white point.
    const auto *w = static_cast<const cmsCIEXYZ *>(cmsReadTag(lc.get(), cmsSigMediaWhitePointTag));
    double sum[3] = {};
    for (cmsTagSignature s : {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag}) {
        const auto *c = static_cast<const cmsCIEXYZ *>(cmsReadTag(lc.get(), s));
        ASSERT_NE(c, nullptr);
        sum[0] += c->X, sum[1] += c->Y, sum[2] += c->Z;
    }
    ASSERT_NE(w, nullptr);
    EXPECT_NEAR(sum[0], w->X, 1e-3);
    EXPECT_NEAR(sum[1], w->Y, 1e-3);
    EXPECT_NEAR(sum[2], w->Z, 1e-3);
}

}  // namespace
