// Seeds and count fields for the fuzz-style test: named colours (both forms,
// Lab, XYZ and another PCS), descriptions, sequences, signatures, screening,
// CRD names, viewing conditions and UCR/BG.
#include "fuzz_framework.h"

#include <cstring>

namespace {

using iccfuzz::Bytes;
using iccfuzz::CountField;

template <class T>
T *add(icc *p, const char *sig, const char *type) {
    return static_cast<T *>(p->add_tag(p, str2tag(sig), str2tag(type)));
}

void set_text(icmTextDescription *d, const char *ascii, bool unicode, bool script) {
    d->size = (unsigned int)strlen(ascii) + 1;
    d->ucSize = unicode ? d->size : 0;
    d->ucLangCode = 0x656e5553;
    d->allocate(d);
    strcpy(d->desc, ascii);
    for (unsigned int i = 0; i < d->ucSize; i++)
        d->ucDesc[i] = (uint16_t)(unsigned char)ascii[i];
    if (script) {
        d->scCode = 0x11;
        d->scSize = 5;
        memcpy(d->scDesc, "Zent", 5);
    }
}

bool add_named(icc *p, const char *type, unsigned int count) {
    auto *nc = add<icmNamedColor>(p, type, type);
    if (nc == nullptr)
        return false;
    nc->vendorFlag = 0x5a;
    nc->count = count;
    strcpy(nc->prefix, "Zen ");
    strcpy(nc->suffix, type);
    if (nc->allocate(nc) != 0)
        return false;
    for (unsigned int i = 0; i < count; i++) {
        icmNamedColorVal *v = &nc->data[i];
        snprintf(v->root, sizeof v->root, "Colour %u", i);
        const bool lab = p->header->pcs == icmSig("Lab ");
        v->pcsCoords[0] = lab ? 10.0 * i : 0.1 * i;
        v->pcsCoords[1] = lab ? -20.0 + i : 0.5;
        v->pcsCoords[2] = lab ? 30.5 : 0.8249;
        for (unsigned int j = 0; j < nc->nDeviceCoords; j++)
            v->deviceCoords[j] = (i + j) % 5 / 4.0;
    }
    return true;
}

bool add_the_rest(icc *p) {
    auto *d = add<icmTextDescription>(p, "desc", "desc");
    auto *dm = add<icmTextDescription>(p, "dmnd", "desc");
    auto *seq = add<icmProfileSequenceDesc>(p, "pseq", "pseq");
    auto *tech = add<icmSignature>(p, "tech", "sig ");
    auto *scrn = add<icmScreening>(p, "scrn", "scrn");
    auto *crdi = add<icmCrdInfo>(p, "crdi", "crdi");
    auto *view = add<icmViewingConditions>(p, "view", "view");
    auto *bfd = add<icmUcrBg>(p, "bfd ", "bfd ");
    if (!(d && dm && seq && tech && scrn && crdi && view && bfd))
        return false;
    set_text(d, "Zentu fuzz seed with every further tag type", true, true);
    set_text(dm, "Zentu", false, false);
    seq->count = 2;
    seq->allocate(seq);
    for (unsigned int i = 0; i < 2; i++) {
        icmDescStruct *e = &seq->data[i];
        e->deviceMfg = icmSig("ZNTU");
        e->deviceModel = i;
        e->attributes = icmUint64{i, 0};
        e->technology = icmSig("offs");
        set_text(&e->device, "Maker", i == 0, false);
        set_text(&e->model, "Model", false, i == 1);
    }
    tech->sig = icmSig("ijet");
    scrn->screeningFlag = 3;
    scrn->channels = 2;
    scrn->allocate(scrn);
    scrn->data[0] = icmScreeningData{150.0, 45.0, 2};
    scrn->data[1] = icmScreeningData{133.0, 75.0, 4};
    crdi->ppsize = 6;
    crdi->crdsize[1] = 3;
    crdi->crdsize[3] = 2;
    crdi->allocate(crdi);
    strcpy(crdi->ppname, "Zentu");
    strcpy(crdi->crdname[1], "p1");
    strcpy(crdi->crdname[3], "a");
    view->illuminant = icmXYZNumber{95.047, 100.0, 108.883};
    view->surround = icmXYZNumber{19.0, 20.0, 21.78};
    view->stdIlluminant = 1;
    bfd->UCRcount = 1;
    bfd->BGcount = 4;
    bfd->size = 4;
    bfd->allocate(bfd);
    bfd->UCRcurve[0] = 50;
    for (unsigned int i = 0; i < 4; i++)
        bfd->BGcurve[i] = i / 3.0;
    strcpy(bfd->string, "UCR");
    return true;
}

Bytes written(uint32_t space, uint32_t pcs, bool ncol, bool rest) {
    icc *p = new_icc();
    p->header->deviceClass = icmSig("zntu");
    p->header->colorSpace = space;
    p->header->pcs = pcs;
    Bytes out;
    if (add_named(p, "ncl2", 3) && (!ncol || add_named(p, "ncol", 2)) && (!rest || add_the_rest(p)))
        out = icctest::write_profile(p);
    p->del(p);
    return out;
}

Bytes lab_every_type() {
    return written(icmSig("CMYK"), icmSig("Lab "), false, true);
}

Bytes xyz_both_named_forms() {
    return written(icmSig("RGB "), icmSig("XYZ "), true, false);
}

// The library cannot write this one; the PCS is changed after writing.
Bytes gray_pcs() {
    Bytes b = written(icmSig("CMYK"), icmSig("Lab "), false, false);
    if (b.size() >= 132)
        icctest::put32(b, 20, icmSig("GRAY"));
    return b;
}

uint32_t at32(const uint8_t *t, size_t len, size_t at) {
    return at + 4 <= len ? (uint32_t(t[at]) << 24 | uint32_t(t[at + 1]) << 16 | uint32_t(t[at + 2]) << 8 | t[at + 3])
                         : 0;
}

// The length fields of a description at `at`; its end goes to *next.
void desc_fields(const uint8_t *t, size_t len, size_t at, std::vector<CountField> *out, size_t *next) {
    out->push_back({at + 8, 4});
    const uint64_t uc_at = at + 12 + (uint64_t)at32(t, len, at + 8) + 4;
    out->push_back({(size_t)uc_at, 4});
    const uint64_t sc_at = uc_at + 4 + 2 * (uint64_t)at32(t, len, (size_t)uc_at) + 2;
    out->push_back({(size_t)sc_at, 1});
    *next = (size_t)(sc_at + 68);
}

std::vector<CountField> ncol_fields(const uint8_t *, size_t) {
    return {{12, 4}};
}

std::vector<CountField> ncl2_fields(const uint8_t *, size_t) {
    return {{12, 4}, {16, 4}};
}

std::vector<CountField> desc_tag_fields(const uint8_t *t, size_t len) {
    std::vector<CountField> f;
    size_t next;
    desc_fields(t, len, 0, &f, &next);
    return f;
}

std::vector<CountField> pseq_fields(const uint8_t *t, size_t len) {
    std::vector<CountField> f = {{8, 4}};
    size_t at = 12;
    for (int e = 0; e < 2 && at < len; e++) {
        desc_fields(t, len, at + 20, &f, &at);
        desc_fields(t, len, at, &f, &at);
    }
    return f;
}

std::vector<CountField> scrn_fields(const uint8_t *, size_t) {
    return {{12, 4}};
}

std::vector<CountField> crdi_fields(const uint8_t *t, size_t len) {
    std::vector<CountField> f;
    uint64_t at = 8;
    for (int i = 0; i < 5 && at + 4 <= len; i++) {
        f.push_back({(size_t)at, 4});
        at += 4 + (uint64_t)at32(t, len, (size_t)at);
    }
    return f;
}

std::vector<CountField> bfd_fields(const uint8_t *t, size_t len) {
    return {{8, 4}, {(size_t)(12 + 2 * (uint64_t)at32(t, len, 8)), 4}};
}

}  // namespace

ICC_FUZZ_SEED("written: Lab named colours and every further type", lab_every_type);
ICC_FUZZ_SEED("written: XYZ named colours in both forms", xyz_both_named_forms);
ICC_FUZZ_SEED("written: named colours under a GRAY PCS", gray_pcs);
ICC_FUZZ_COUNT_FIELDS("ncol", ncol_fields);
ICC_FUZZ_COUNT_FIELDS("ncl2", ncl2_fields);
ICC_FUZZ_COUNT_FIELDS("desc", desc_tag_fields);
ICC_FUZZ_COUNT_FIELDS("pseq", pseq_fields);
ICC_FUZZ_COUNT_FIELDS("scrn", scrn_fields);
ICC_FUZZ_COUNT_FIELDS("crdi", crdi_fields);
ICC_FUZZ_COUNT_FIELDS("bfd ", bfd_fields);
