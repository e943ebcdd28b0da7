// The tags that a profile of each device class must have.
#include "icc/icc_internal.h"

namespace {

constexpr uint32_t kAny = 0;                 // any space
constexpr uint32_t kPCS = icmSig("PCS ");    // 'XYZ ' or 'Lab '
constexpr int kAnyChans = -100;
constexpr int kAnyChansSkip = -200;          // any count; a missing tag tries the next rows

struct LegalRow {
    uint32_t devClass;
    int chans;  // -n: exactly n channels
    uint32_t colorSpace;
    uint32_t pcs;
    uint32_t tags[11];  // ended by 0
};

#define S(x) icmSig(x)
const LegalRow kRows[] = {
    {S("scnr"), -1, kAny, kPCS, {S("desc"), S("kTRC"), S("wtpt"), S("cprt")}},
    {S("scnr"), -3, kAny, S("XYZ "),
     {S("desc"), S("rXYZ"), S("gXYZ"), S("bXYZ"), S("rTRC"), S("gTRC"), S("bTRC"), S("wtpt"), S("cprt")}},
    {S("scnr"), kAnyChans, kAny, kPCS, {S("desc"), S("A2B0"), S("wtpt"), S("cprt")}},
    {S("mntr"), -1, kAny, kPCS, {S("desc"), S("kTRC"), S("wtpt"), S("cprt")}},
    {S("mntr"), -3, S("RGB "), S("XYZ "),
     {S("desc"), S("rXYZ"), S("gXYZ"), S("bXYZ"), S("rTRC"), S("gTRC"), S("bTRC"), S("wtpt"), S("cprt")}},
    {S("mntr"), kAnyChans, kAny, kPCS, {S("desc"), S("A2B0"), S("wtpt"), S("cprt")}},
    {S("prtr"), -1, kAny, kPCS, {S("desc"), S("kTRC"), S("wtpt"), S("cprt")}},
    {S("prtr"), -2, kAny, kPCS,
     {S("desc"), S("A2B0"), S("B2A0"), S("gamt"), S("A2B1"), S("B2A1"), S("A2B2"), S("B2A2"), S("wtpt"), S("cprt")}},
    {S("prtr"), -3, kAny, kPCS,
     {S("desc"), S("A2B0"), S("B2A0"), S("gamt"), S("A2B1"), S("B2A1"), S("A2B2"), S("B2A2"), S("wtpt"), S("cprt")}},
    {S("prtr"), -4, kAny, kPCS,
     {S("desc"), S("A2B0"), S("B2A0"), S("gamt"), S("A2B1"), S("B2A1"), S("A2B2"), S("B2A2"), S("wtpt"), S("cprt")}},
    {S("prtr"), kAnyChans, kAny, kPCS, {S("desc"), S("B2A0"), S("B2A1"), S("B2A2"), S("wtpt"), S("cprt")}},
    {S("link"), kAnyChans, kAny, kAny, {S("desc"), S("A2B0"), S("pseq"), S("cprt")}},
    {S("spac"), kAnyChans, kAny, kPCS, {S("desc"), S("B2A0"), S("A2B0"), S("wtpt"), S("cprt")}},
    {S("abst"), kAnyChans, kPCS, kPCS, {S("desc"), S("A2B0"), S("wtpt"), S("cprt")}},
    {S("nmcl"), kAnyChansSkip, kAny, kAny, {S("desc"), S("ncl2"), S("wtpt"), S("cprt")}},
    {S("nmcl"), kAnyChans, kAny, kAny, {S("desc"), S("ncol"), S("wtpt"), S("cprt")}},
};
#undef S

bool space_fits(uint32_t entry, uint32_t space) {
    if (entry == kAny)
        return true;
    if (entry == kPCS)
        return space == icmSig("XYZ ") || space == icmSig("Lab ");
    return entry == space;
}

}  // namespace

int icc_check_legal(icc *p) {
    if (p->header == nullptr)
        return icm_err(p, 1, "icc_check_legal: Header is missing");
    const icmHeader *h = p->header;
    int nchan = (int)colorspace2nchan(h->colorSpace);

    for (const LegalRow &r : kRows) {
        if (r.devClass != h->deviceClass)
            continue;
        if (r.chans != -nchan && r.chans != kAnyChans && r.chans != kAnyChansSkip)
            continue;
        if (!space_fits(r.colorSpace, h->colorSpace) || !space_fits(r.pcs, h->pcs))
            continue;
        uint32_t missing = 0;
        for (const uint32_t *t = r.tags; *t != 0; t++) {
            if (p->find_tag(p, *t) == 2) {
                missing = *t;
                break;
            }
        }
        if (missing == 0)
            return 0;
        if (r.chans == kAnyChansSkip)
            continue;
        return icm_err(p, 1, "icc_check_legal: deviceClass %s is missing required tag %s",
                       tag2str(h->deviceClass), tag2str(missing));
    }
    return 0;
}
