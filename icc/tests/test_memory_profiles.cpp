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
const std::ios_base::seekdir kBeg = std::ios_base::beg, kCur = std::ios_base::cur, kEnd = std::ios_base::end;

TEST(IccMemory, PositionsStayInsideTheBlockAndWritesStopAtItsEnd) {
    struct Case {
        long off;
        std::ios_base::seekdir way;
        std::ios_base::openmode which;
        long answer, get, put;  // -1: refused; the positions afterwards
    };
    // Every case starts with the get position at 4 and the put position at 2.
    const Case cases[] = {
        {8, kBeg, kIn, 8, 8, 2},     {9, kBeg, kIn, -1, 4, 2},         {-9, kEnd, kIn, -1, 4, 2},
        {3, kCur, kIn, 7, 7, 2},     {1, kCur, kIn | kOut, -1, 4, 2},  {1, kCur, kOut, 3, 4, 3},
        {1, kEnd, kOut, -1, 4, 2},   {LONG_MIN, kCur, kIn, -1, 4, 2},  {LONG_MAX, kEnd, kOut, -1, 4, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.off) + " " + std::to_string(int(c.way)) + " " + std::to_string(int(c.which)));
        char block[8] = {};
        Buf buf(block, block + 8);
        buf.pubseekoff(4, kBeg, kIn);
        buf.pubseekoff(2, kBeg, kOut);
        EXPECT_EQ(long(buf.pubseekoff(c.off, c.way, c.which)), c.answer);
        EXPECT_EQ(long(buf.pubseekoff(0, kCur, kIn)), c.get);
        EXPECT_EQ(long(buf.pubseekoff(0, kCur, kOut)), c.put);
    }
    char block[8] = "1234567";
    Buf buf(block, block + 4);
    EXPECT_EQ(buf.sputn("abcdef", 6), 4);
    EXPECT_EQ(buf.sputc('x'), EOF);
    EXPECT_STREQ(block, "abcd567");
    Buf reading(static_cast<const char *>(block), block + 4);
    EXPECT_EQ(reading.sputc('x'), EOF) << "a constant block is only read";
    EXPECT_EQ(block[0], 'a');
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

// Output profiles, as every profile the checker writes into a document is,
// with the colorimetric table a PDF/X-1a check asks for; LittleCMS reads
// each and converts with it both ways.
TEST_F(GeneratedProfiles, BuiltInsAreLegalOutputProfiles) {
    ASSERT_EQ(generate(dir_, false), 0);
    struct Case {
        const char *file;
        int version;
        const char *space, *pcs;
        cmsUInt32Number device;
    };
    const Case cases[] = {
        {"ICCPROFILE 110.icc", 210, "GRAY", "XYZ ", TYPE_GRAY_DBL},
        {"ICCPROFILE 112.icc", 200, "CMYK", "Lab ", TYPE_CMYK_DBL},
    };
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        const Bytes data = file_bytes(dir_ / c.file);
        ASSERT_GT(data.size(), 132u);
        EXPECT_EQ(get32(data, 0), data.size());
        Read r(data);
        ASSERT_EQ(r.rv, 0) << r.p->error_text;
        const icmHeader *h = r.p->header;
        EXPECT_EQ(h->deviceClass, icmSig("prtr"));
        EXPECT_EQ(h->majv * 100 + h->minv * 10 + h->bfv, c.version);
        EXPECT_EQ(h->colorSpace, str2tag(c.space));
        EXPECT_EQ(h->pcs, str2tag(c.pcs));
        for (const char *table : {"A2B0", "A2B1", "A2B2", "B2A0", "B2A1", "B2A2"})
            EXPECT_EQ(r.p->find_tag(r.p, str2tag(table)), 0) << table;
        EXPECT_EQ(icc_check_legal(r.p), 0) << r.p->error_text;
        LcmsProfile lc = lcms_open(data);
        ASSERT_NE(lc, nullptr);
        EXPECT_EQ(lcms_description(lc.get()), kDescription);
        for (const bool toDevice : {false, true}) {
            cmsHTRANSFORM t = toDevice ? cmsCreateTransform(lab, TYPE_Lab_DBL, lc.get(), c.device, INTENT_PERCEPTUAL, 0)
                                       : cmsCreateTransform(lc.get(), c.device, lab, TYPE_Lab_DBL, INTENT_PERCEPTUAL, 0);
            EXPECT_NE(t, nullptr) << (toDevice ? "to the device" : "from the device");
            if (t)
                cmsDeleteTransform(t);
        }
    }
    cmsCloseProfile(lab);
}

// The profiles of the reference printing conditions, as the build left
// them in the module folder.
TEST(PrintingConditionProfiles, LieInTheModuleFolderAndPrintAsTheirModelSays) {
    struct Case {
        const char *file, *description, *deviceClass, *space, *pcs;
    };
    const Case cases[] = {
        {"ANSI TR 001.icc", "CGATS TR 001", "prtr", "CMYK", "Lab "},
        {"ISO 12647-3.icc", "Ifra_NP_40lcm_neg+CTP_05.00", "prtr", "CMYK", "Lab "},
        {"OF COM PO P1 F60.icc", "OF COM PO P1 F60", "prtr", "CMYK", "Lab "},
        {"OF COM PO P2 F60.icc", "OF COM PO P2 F60", "prtr", "CMYK", "Lab "},
        {"OF COM PO P3 F60.icc", "OF COM PO P3 F60", "prtr", "CMYK", "Lab "},
        {"OF COM PO P4 F60.icc", "OF COM PO P4 F60", "prtr", "CMYK", "Lab "},
        {"ecirgb10.icm", "eciRGB", "prtr", "RGB ", "XYZ "},
    };
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        const Bytes data = file_bytes(fs::path(ZENTU_MODULE_DIR) / c.file);
        ASSERT_GT(data.size(), 132u);
        EXPECT_EQ(get32(data, 0), data.size());
        Read r(data);
        ASSERT_EQ(r.rv, 0) << r.p->error_text;
        EXPECT_EQ(r.p->header->deviceClass, str2tag(c.deviceClass));
        EXPECT_EQ(r.p->header->colorSpace, str2tag(c.space));
        EXPECT_EQ(r.p->header->pcs, str2tag(c.pcs));
        EXPECT_EQ(icc_check_legal(r.p), 0) << r.p->error_text;
        LcmsProfile lc = lcms_open(data);
        ASSERT_NE(lc, nullptr);
        EXPECT_EQ(lcms_description(lc.get()), c.description);
        EXPECT_EQ(r.p->find_tag(r.p, icmSig("A2B1")), 0);
        if (r.p->header->colorSpace != icmSig("CMYK")) {
            // White stays white and red is red; a colour inside the gamut
            // comes back through the tables as it went.
            cmsHTRANSFORM t = cmsCreateTransform(lc.get(), TYPE_RGB_DBL, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
            cmsHTRANSFORM back = cmsCreateTransform(lab, TYPE_Lab_DBL, lc.get(), TYPE_RGB_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
            ASSERT_TRUE(t && back);
            const double rgb[3][3] = {{1, 1, 1}, {0.6, 0.4, 0.3}, {1, 0, 0}};
            cmsCIELab out[3];
            double again[3][3];
            cmsDoTransform(t, rgb, out, 3);
            cmsDoTransform(back, out, again, 3);
            cmsDeleteTransform(t);
            cmsDeleteTransform(back);
            EXPECT_TRUE(out[0].L > 99.0 && out[2].a > 40.0);
            for (int i = 0; i < 2 * 3; i++)
                EXPECT_NEAR(again[i / 3][i % 3], rgb[i / 3][i % 3], 0.03) << i;
            continue;
        }
        // Paper stays white, four solid inks print nearly black, cyan is blue-green.
        cmsHTRANSFORM t = cmsCreateTransform(lc.get(), TYPE_CMYK_DBL, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
        ASSERT_NE(t, nullptr);
        const double inks[3][4] = {{0, 0, 0, 0}, {100, 100, 100, 100}, {100, 0, 0, 0}};
        cmsCIELab out[3];
        cmsDoTransform(t, inks, out, 3);
        cmsDeleteTransform(t);
        EXPECT_GT(out[0].L, 99.0);
        EXPECT_LT(out[1].L, 20.0);
        EXPECT_LT(out[2].a, -15.0);
        EXPECT_LT(out[2].b, -25.0);
    }
    cmsCloseProfile(lab);
}

}  // namespace
