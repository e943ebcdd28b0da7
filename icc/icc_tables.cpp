// The known tag types and tag signatures with their descriptions.
#include "icc/icc_internal.h"

#include <cstdio>

namespace {

struct TypeRow {
    uint32_t ttype;
    const char *desc;
};

const TypeRow kTypes[] = {
    {icmSig("crdi"), "CRD Info"},
    {icmSig("curv"), "Curve"},
    {icmSig("data"), "Data"},
    {icmSig("dtim"), "DateTime"},
    {icmSig("mft2"), "Lut16"},
    {icmSig("mft1"), "Lut8"},
    {icmSig("meas"), "Measurement"},
    {icmSig("ncol"), "Named Color"},
    {icmSig("ncl2"), "Named Color 2"},
    {icmSig("pseq"), "Profile Sequence Desc"},
    {icmSig("sf32"), "S15Fixed16 Array"},
    {icmSig("scrn"), "Screening"},
    {icmSig("sig "), "Signature"},
    {icmSig("desc"), "Text Description"},
    {icmSig("text"), "Text"},
    {icmSig("uf32"), "U16Fixed16 Array"},
    {icmSig("bfd "), "Under Color Removal & Black Generation"},
    {icmSig("ui16"), "UInt16 Array"},
    {icmSig("ui32"), "UInt32 Array"},
    {icmSig("ui64"), "UInt64 Array"},
    {icmSig("ui08"), "UInt8 Array"},
    {icmSig("view"), "Viewing Conditions"},
    {icmSig("XYZ "), "XYZ (Array?)"},
};

struct SigRow {
    uint32_t sig;
    const char *desc;
    uint32_t types[2];  // allowed tag types; 0 where there is no second
};

constexpr uint32_t kMft1 = icmSig("mft1"), kMft2 = icmSig("mft2"), kXYZ = icmSig("XYZ "),
                   kCurv = icmSig("curv"), kDesc = icmSig("desc"), kData = icmSig("data");

const SigRow kSigs[] = {
    {icmSig("A2B0"), "AToB0 Multidimentional Transform", {kMft1, kMft2}},
    {icmSig("A2B1"), "AToB1 Multidimentional Transform", {kMft1, kMft2}},
    {icmSig("A2B2"), "AToB2 Multidimentional Transform", {kMft1, kMft2}},
    {icmSig("B2A0"), "BToA0 Multidimentional Transform", {kMft1, kMft2}},
    {icmSig("B2A1"), "BToA1 Multidimentional Transform", {kMft1, kMft2}},
    {icmSig("B2A2"), "BToA2 Multidimentional Transform", {kMft1, kMft2}},
    {icmSig("gamt"), "Gamut", {kMft1, kMft2}},
    {icmSig("pre0"), "Preview0", {kMft1, kMft2}},
    {icmSig("pre1"), "Preview1", {kMft1, kMft2}},
    {icmSig("pre2"), "Preview2", {kMft1, kMft2}},
    {icmSig("rXYZ"), "Red Colorant", {kXYZ, 0}},
    {icmSig("gXYZ"), "Green Colorant", {kXYZ, 0}},
    {icmSig("bXYZ"), "Blue Colorant", {kXYZ, 0}},
    {icmSig("wtpt"), "Media White Point", {kXYZ, 0}},
    {icmSig("bkpt"), "Media Black Point", {kXYZ, 0}},
    {icmSig("lumi"), "Luminance", {kXYZ, 0}},
    {icmSig("rTRC"), "Red Tone Reproduction Curve", {kCurv, 0}},
    {icmSig("gTRC"), "Green Tone Reproduction Curve", {kCurv, 0}},
    {icmSig("bTRC"), "Blue Tone Reproduction Curve", {kCurv, 0}},
    {icmSig("kTRC"), "Gray Tone Reproduction Curve", {kCurv, 0}},
    {icmSig("calt"), "Calibration Date & Time", {icmSig("dtim"), 0}},
    {icmSig("targ"), "Characterization Target", {icmSig("text"), 0}},
    {icmSig("cprt"), "Copyright", {icmSig("text"), 0}},
    {icmSig("crdi"), "CRD Info", {icmSig("crdi"), 0}},
    {icmSig("desc"), "Profile Description", {kDesc, 0}},
    {icmSig("dmnd"), "Device Manufacturer Description", {kDesc, 0}},
    {icmSig("dmdd"), "Device Model Description", {kDesc, 0}},
    {icmSig("scrd"), "Screening Description", {kDesc, 0}},
    {icmSig("vued"), "Viewing Condition Description", {kDesc, 0}},
    {icmSig("meas"), "Measurement", {icmSig("meas"), 0}},
    {icmSig("ncol"), "Named Color", {icmSig("ncol"), 0}},
    {icmSig("ncl2"), "Named Color 2", {icmSig("ncl2"), 0}},
    {icmSig("pseq"), "Profile Sequence", {icmSig("pseq"), 0}},
    {icmSig("psd0"), "PS Level 2 CRD perceptual", {kData, 0}},
    {icmSig("psd1"), "PS Level 2 CRD colorimetric", {kData, 0}},
    {icmSig("psd2"), "PS Level 2 CRD saturation", {kData, 0}},
    {icmSig("psd3"), "PS Level 2 CRD absolute", {kData, 0}},
    {icmSig("ps2s"), "PS Level 2 color space array", {kData, 0}},
    {icmSig("ps2i"), "PS Level 2 Rendering Intent", {kData, 0}},
    {icmSig("scrn"), "Screening Attributes", {icmSig("scrn"), 0}},
    {icmSig("tech"), "Device Technology", {icmSig("sig "), 0}},
    {icmSig("bfd "), "Under Color Removal & Black Generation", {icmSig("bfd "), 0}},
    {icmSig("view"), "Viewing Condition Paramaters", {icmSig("view"), 0}},
};

const TypeRow *find_type(uint32_t ttype) {
    for (const TypeRow &r : kTypes)
        if (r.ttype == ttype)
            return &r;
    return nullptr;
}

const SigRow *find_sig(uint32_t sig) {
    for (const SigRow &r : kSigs)
        if (r.sig == sig)
            return &r;
    return nullptr;
}

const icmTypeCreator *const kCreatorLists[] = {icm_array_creators, icm_basic_creators,
                                                icm_lut_creators, icm_more_creators};

}  // namespace

bool icm_known_type(uint32_t ttype) {
    return find_type(ttype) != nullptr;
}

icmBase *(*icm_type_creator(uint32_t ttype))(icc *p) {
    if (!icm_known_type(ttype))
        return nullptr;
    for (const icmTypeCreator *list : kCreatorLists)
        for (const icmTypeCreator *c = list; c->ttype != 0; c++)
            if (c->ttype == ttype)
                return c->create;
    return nullptr;
}

bool icm_sig_allows_type(uint32_t sig, uint32_t ttype) {
    const SigRow *r = find_sig(sig);
    if (r == nullptr)
        return true;
    return ttype != 0 && (r->types[0] == ttype || r->types[1] == ttype);
}

const char *tagsig2str(uint32_t sig) {
    static char unknown[80];
    if (const SigRow *r = find_sig(sig))
        return r->desc;
    snprintf(unknown, sizeof unknown, "Unrecognized - %s", tag2str(sig));
    return unknown;
}

const char *tagtype2str(uint32_t ttype) {
    static char unknown[80];
    if (const TypeRow *r = find_type(ttype))
        return r->desc;
    snprintf(unknown, sizeof unknown, "Unrecognized - %s", tag2str(ttype));
    return unknown;
}
