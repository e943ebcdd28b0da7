// Named colour, description, sequence, signature, screening, CRD, viewing and
// UCR/BG tag types.
//
// Counts and lengths come from the file: each is compared with the bytes
// left (in a form that cannot wrap) before anything is allocated for it.
#include "icc/icc_internal.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>

namespace {

struct FreeDeleter {
    void operator()(unsigned char *b) const { free(b); }
};
using Buffer = std::unique_ptr<unsigned char, FreeDeleter>;

// Reads a whole tag into a buffer that frees itself on every path.
int read_tag(icmBase *p, unsigned int len, uint64_t offset, const char *func, Buffer *out) {
    unsigned char *b = nullptr;
    int rv = icm_read_tag_bytes(p, len, offset, &b, func, "read failed");
    out->reset(b);
    return rv;
}

size_t left(const unsigned char *bp, const unsigned char *end) {
    return bp < end ? (size_t)(end - bp) : 0;
}

bool terminated(const void *s, size_t n) {
    return s != nullptr && memchr(s, 0, n) != nullptr;
}

int no_alloc(icmBase *) {
    return 0;
}

// Lines of a text block: each starts with `indent` and the offset of its
// first item; it takes items while its column, counted from 11, is below
// `width`. Below detail 2 only the first line shows, then "...".
template <class Item>
void dump_lines(std::ostream *op, const char *indent, unsigned int width, int detail, size_t n,
                Item item) {
    size_t i = 0;
    for (int row = 0; i < n; row++) {
        if (row > 0) {
            *op << "\n";
            if (detail < 2) {
                *op << "...\n";
                return;
            }
        }
        icm_dump_line(op, "%s0x%04x: ", indent, (unsigned int)i);
        unsigned int col = 11;
        while (i < n && col < width)
            col += item(i++);
    }
    if (n > 0)
        *op << "\n";
}

unsigned int show_char(std::ostream *op, unsigned char c) {
    if (c >= 0x20 && c < 0x7f) {
        icm_dump_line(op, "%c", c);
        return 1;
    }
    icm_dump_line(op, "\\%03o", c);
    return 4;
}

void dump_chars(std::ostream *op, const char *indent, unsigned int width, int detail, const char *s,
                size_t n) {
    if (s == nullptr)
        return;
    dump_lines(op, indent, width, detail, n,
               [&](size_t i) { return show_char(op, (unsigned char)s[i]); });
}

// Characters of a text of `size` bytes, its terminator left out.
size_t shown_length(const char *s, unsigned int size) {
    return s == nullptr ? 0 : strnlen(s, size);
}

}  // namespace

// ---------------------------------------------------------------------------
// Enumeration texts.

const char *screenflags2str(unsigned int flags) {
    static char buf[5][80];
    static int next = 0;
    char *bp = buf[next];
    next = (next + 1) % 5;
    snprintf(bp, 80, "%s%s", (flags & 1) ? "Default Screen" : "No Default Screen",
             (flags & 2) ? ", Lines Per Inch" : ", Lines Per cm");
    return bp;
}

const char *spotshape2str(int shape) {
    static const char *const names[] = {"Unknown", "Printer Default", "Round", "Diamond",
                                        "Ellipse", "Line",            "Square", "Cross"};
    static char unknown[80];
    if (shape >= 0 && shape < 8)
        return names[shape];
    snprintf(unknown, sizeof unknown, "Unrecognized - 0x%x", (unsigned int)shape);
    return unknown;
}

const char *technology2str(uint32_t sig) {
    struct Row {
        uint32_t sig;
        const char *text;
    };
    static const Row rows[] = {
        {icmSig("AMD "), "Active Matrix Display"},
        {icmSig("CRT "), "Cathode Ray Tube Display"},
        {icmSig("KPCD"), "Photo CD"},
        {icmSig("PMD "), "Passive Matrix Display"},
        {icmSig("dcam"), "Digital Camera"},
        {icmSig("dsub"), "DyeSublimation Printer"},
        {icmSig("epho"), "Electrophotographic Printer"},
        {icmSig("esta"), "Electrostatic Printer"},
        {icmSig("flex"), "Flexography"},
        {icmSig("fprn"), "Film Writer"},
        {icmSig("fscn"), "Film Scanner"},
        {icmSig("grav"), "Gravure"},
        {icmSig("ijet"), "InkJet Printer"},
        {icmSig("imgs"), "Photo ImageSetter"},
        {icmSig("offs"), "Offset Lithography"},
        {icmSig("pjtv"), "Projection Television"},
        {icmSig("rpho"), "Photographic Paper Printer"},
        {icmSig("rscn"), "Reflective Scanner"},
        {icmSig("silk"), "Silkscreen"},
        {icmSig("twax"), "Thermal WaxPrinter"},
        {icmSig("vidc"), "Video Camera"},
        {icmSig("vidm"), "Video Monitor"},
    };
    static char unknown[80];
    for (const Row &r : rows)
        if (r.sig == sig)
            return r.text;
    snprintf(unknown, sizeof unknown, "Unrecognized - %s", tag2str(sig));
    return unknown;
}

namespace {

// ---------------------------------------------------------------------------
// Named colour PCS encodings, 16 bits each. A writer whose value falls
// outside 0..65535 once converted writes nothing and answers 1.

int write_pcs16(double t, unsigned char *p) {
    if (!(t >= 0.0 && t < 65536.0))  // also refuses NaN
        return 1;
    return write_UInt16Number((unsigned int)t, p);
}

double read_PCSXYZ16(const unsigned char *p) {
    return read_UInt16Number(p) / 32768.0;
}
int write_PCSXYZ16(double v, unsigned char *p) {
    return write_pcs16(v * 32768.0 + 0.5, p);
}

double read_PCSL16(const unsigned char *p) {
    return read_UInt16Number(p) * 100.0 / 65280.0;
}
int write_PCSL16(double v, unsigned char *p) {
    return write_pcs16(v * 652.8 + 0.5, p);
}

double read_PCSab16(const unsigned char *p) {
    return read_UInt16Number(p) / 256.0 - 128.0;
}
int write_PCSab16(double v, unsigned char *p) {
    return write_pcs16((v + 128.0) * 256.0 + 0.5, p);
}

}  // namespace

// ---------------------------------------------------------------------------
// Named colour ('ncol', 'ncl2').

int icmNamedColorVal_read(icmNamedColorVal *p, const unsigned char *bp, const unsigned char *end,
                          uint32_t, unsigned int ndc) {
    icc *icp = p->icp;
    if (ndc > icmNamedColor_max_devcoords)
        return icm_err(icp, 1, "icmNamedColor_read: Can't handle more than %d device channels",
                       (int)icmNamedColor_max_devcoords);
    const unsigned char *z =
        static_cast<const unsigned char *>(memchr(bp, 0, std::min<size_t>(32, left(bp, end))));
    if (z == nullptr)
        return icm_err(icp, 1, "icmNamedColorVal_read: Root name string not terminated");
    memset(p->root, 0, sizeof p->root);
    memcpy(p->root, bp, (size_t)(z - bp) + 1);
    bp = z + 1;
    if (ndc > left(bp, end))
        return icm_err(icp, 1, "icmNamedColorVal_read: Data too short to read device coords");
    for (unsigned int i = 0; i < ndc; i++)
        p->deviceCoords[i] = read_DCS8Number(bp + i);
    return 0;
}

int icmNamedColorVal_write(icmNamedColorVal *p, unsigned char *bp, unsigned char *end, uint32_t,
                           unsigned int ndc) {
    icc *icp = p->icp;
    if (ndc > icmNamedColor_max_devcoords)
        return icm_err(icp, 1, "icmNamedColor_write: Can't handle more than %d device channels",
                       (int)icmNamedColor_max_devcoords);
    if (!terminated(p->root, sizeof p->root))
        return icm_err(icp, 1, "icmNamedColorVal_write: Root string names is unterminated");
    size_t len = strlen(p->root) + 1;
    if (len + ndc > left(bp, end))
        return icm_err(icp, 1, "icmNamedColorVal_write: Buffer too small");
    memcpy(bp, p->root, len);
    bp += len;
    for (unsigned int i = 0; i < ndc; i++) {
        int rv = write_DCS8Number(p->deviceCoords[i], bp + i);
        if (rv != 0)
            return icm_err(icp, rv, "icmNamedColorVal_write: write of device coord failed");
    }
    return 0;
}

int icmNamedColorVal2_read(icmNamedColorVal *p, const unsigned char *bp, const unsigned char *end,
                           uint32_t pcs, unsigned int ndc) {
    icc *icp = p->icp;
    if (ndc > icmNamedColor_max_devcoords)
        return icm_err(icp, 1, "icmNamedColor_read: Can't handle more than %d device channels",
                       (int)icmNamedColor_max_devcoords);
    if (38 + 2 * (size_t)ndc > left(bp, end))
        return icm_err(icp, 1, "icmNamedColorVal2_read: Data too short to read");
    memcpy(p->root, bp, 32);
    if (!terminated(p->root, 32))
        return icm_err(icp, 1, "icmNamedColorVal2_read: Root name string not terminated");
    if (pcs == icmSig("Lab ")) {
        p->pcsCoords[0] = read_PCSL16(bp + 32);
        p->pcsCoords[1] = read_PCSab16(bp + 34);
        p->pcsCoords[2] = read_PCSab16(bp + 36);
    } else if (pcs == icmSig("XYZ ")) {
        for (int i = 0; i < 3; i++)
            p->pcsCoords[i] = read_PCSXYZ16(bp + 32 + 2 * i);
    } else {
        return icm_err(icp, 1, "icmNamedColorVal2_read: Unknown PCS");
    }
    for (unsigned int i = 0; i < ndc; i++)
        p->deviceCoords[i] = read_DCS16Number(bp + 38 + 2 * i);
    return 0;
}

int icmNamedColorVal2_write(icmNamedColorVal *p, unsigned char *bp, unsigned char *end, uint32_t pcs,
                            unsigned int ndc) {
    icc *icp = p->icp;
    if (ndc > icmNamedColor_max_devcoords)
        return icm_err(icp, 1, "icmNamedColor_write: Can't handle more than %d device channels",
                       (int)icmNamedColor_max_devcoords);
    if (!terminated(p->root, 32))
        return icm_err(icp, 1, "icmNamedColorVal2_write: Root string names is unterminated");
    if (38 + 2 * (size_t)ndc > left(bp, end))
        return icm_err(icp, 1, "icmNamedColorVal2_write: Buffer too small");
    memcpy(bp, p->root, 32);
    int rv = 0;
    if (pcs == icmSig("Lab ")) {
        if ((rv = write_PCSL16(p->pcsCoords[0], bp + 32)) == 0 &&
            (rv = write_PCSab16(p->pcsCoords[1], bp + 34)) == 0)
            rv = write_PCSab16(p->pcsCoords[2], bp + 36);
    } else if (pcs == icmSig("XYZ ")) {
        for (int i = 0; i < 3 && rv == 0; i++)
            rv = write_PCSXYZ16(p->pcsCoords[i], bp + 32 + 2 * i);
    } else {
        return icm_err(icp, 1, "icmNamedColorVal2_write: Unknown PCS");
    }
    if (rv != 0)
        return icm_err(icp, rv, "icmNamedColorVal2_write: write of PCS coord failed");
    for (unsigned int i = 0; i < ndc; i++) {
        if ((rv = write_DCS16Number(p->deviceCoords[i], bp + 38 + 2 * i)) != 0)
            return icm_err(icp, rv, "icmNamedColorVal2_write: write of device coord failed");
    }
    return 0;
}

namespace {

bool is_ncol(const icmNamedColor *p) {
    return p->tag_type == icmSig("ncol");
}

uint64_t named_color_size(const icmNamedColor *p) {
    if (!is_ncol(p))
        return 84 + (uint64_t)p->count * (38 + 2 * (uint64_t)p->nDeviceCoords);
    uint64_t size = 18 + strnlen(p->prefix, 32) + strnlen(p->suffix, 32);
    for (unsigned int i = 0; i < p->count; i++) {
        size_t root = p->data != nullptr ? strnlen(p->data[i].root, 32) : 0;
        size += root + 1 + p->nDeviceCoords;
    }
    return size;
}

// Reads the colours from bp on. With `scratch` every colour goes into the one
// value given, to find the message of a count that the data cannot hold.
int read_colours(icmNamedColor *p, const unsigned char *bp, const unsigned char *end,
                 icmNamedColorVal *vals, bool scratch) {
    const icmHeader *h = p->profile->header;
    const unsigned int ndc = p->nDeviceCoords;
    for (unsigned int i = 0; i < p->count; i++) {
        icmNamedColorVal *v = scratch ? vals : &vals[i];
        int rv;
        if (is_ncol(p)) {
            if ((rv = icmNamedColorVal_read(v, bp, end, h->colorSpace, ndc)) != 0)
                return rv;
            bp += strlen(v->root) + 1 + ndc;
        } else {
            if ((rv = icmNamedColorVal2_read(v, bp, end, h->pcs, ndc)) != 0)
                return rv;
            bp += 38 + 2 * (size_t)ndc;
        }
    }
    return 0;
}

// Copies a terminated name of at most 32 bytes from bp; null when there is
// no terminator within them (or within the data).
const unsigned char *read_name(char (&dst)[32], const unsigned char *bp, const unsigned char *end) {
    const unsigned char *z =
        static_cast<const unsigned char *>(memchr(bp, 0, std::min<size_t>(32, left(bp, end))));
    if (z == nullptr)
        return nullptr;
    memset(dst, 0, sizeof dst);
    memcpy(dst, bp, (size_t)(z - bp) + 1);
    return z + 1;
}

}  // namespace

static unsigned int icmNamedColor_get_size(icmBase *pp) {
    return icm_clamp_size(named_color_size(static_cast<icmNamedColor *>(pp)));
}

static int icmNamedColor_alloc(icmBase *pp) {
    auto *p = static_cast<icmNamedColor *>(pp);
    if (p->count > 0 && p->data == nullptr) {
        p->data = static_cast<icmNamedColorVal *>(calloc(p->count, sizeof(icmNamedColorVal)));
        if (p->data == nullptr)
            return icm_err(p->profile, 2, "icmNamedColor_alloc: malloc() of icmNamedColor data failed");
        for (unsigned int i = 0; i < p->count; i++)
            p->data[i].icp = p->profile;
    }
    return 0;
}

static int icmNamedColor_read(icmBase *pp, unsigned int len, uint64_t offset) {
    auto *p = static_cast<icmNamedColor *>(pp);
    icc *icp = p->profile;
    if (len < 4)
        return icm_err(icp, 1, "icmNamedColor_read: Tag too small to be legal");
    Buffer buf;
    int rv = read_tag(p, len, offset, "icmNamedColor_read", &buf);
    if (rv != 0)
        return rv;
    const unsigned char *b = buf.get(), *end = b + len;
    const uint32_t ttype = read_UInt32Number(b);
    if (ttype != icmSig("ncol") && ttype != icmSig("ncl2"))
        return icm_err(icp, 1, "icmNamedColor_read: Wrong tag type for icmNamedColor");
    p->tag_type = ttype;
    // A second read replaces the colours; those of another count must not stay.
    free(p->data);
    p->data = nullptr;
    p->count = 0;

    const unsigned char *bp;
    size_t item_min;  // the fewest bytes a colour takes
    if (is_ncol(p)) {
        if (len < 16)
            return icm_err(icp, 1, "icmNamedColor_read: Tag too small to be legal");
        p->nDeviceCoords = colorspace2nchan(icp->header->colorSpace);
        if (p->nDeviceCoords > icmNamedColor_max_devcoords)
            return icm_err(icp, 1, "icmNamedColor_read: Can't handle more than %d device channels",
                           (int)icmNamedColor_max_devcoords);
        p->vendorFlag = read_UInt32Number(b + 8);
        p->count = read_UInt32Number(b + 12);
        if ((bp = read_name(p->prefix, b + 16, end)) == nullptr)
            return icm_err(icp, 1, "icmNamedColor_read: Color prefix is not null terminated");
        if ((bp = read_name(p->suffix, bp, end)) == nullptr)
            return icm_err(icp, 1, "icmNamedColor_read: Color suffix is not null terminated");
        item_min = 1 + (size_t)p->nDeviceCoords;
    } else {
        if (len < 84)
            return icm_err(icp, 1, "icmNamedColor_read: Tag too small to be legal");
        p->vendorFlag = read_UInt32Number(b + 8);
        p->count = read_UInt32Number(b + 12);
        // Each colour holds no more than 15 device values.
        p->nDeviceCoords = read_UInt32Number(b + 16);
        if (p->nDeviceCoords > icmNamedColor_max_devcoords)
            return icm_err(icp, 1, "icmNamedColor_read: Can't handle more than %d device channels",
                           (int)icmNamedColor_max_devcoords);
        memcpy(p->prefix, b + 20, 32);
        memcpy(p->suffix, b + 52, 32);
        if (!terminated(p->prefix, 32))
            return icm_err(icp, 1, "icmNamedColor_read: Color prefix is not null terminated");
        if (!terminated(p->suffix, 32))
            return icm_err(icp, 1, "icmNamedColor_read: Color suffix is not null terminated");
        bp = b + 84;
        item_min = 38 + 2 * (size_t)p->nDeviceCoords;
    }

    // A count the data cannot hold fails as reading the colours would, before
    // anything is allocated for it.
    if (p->count > left(bp, end) / item_min) {
        if (!is_ncol(p))
            return icm_err(icp, 1, "icmNamedColorVal2_read: Data too short to read");
        icmNamedColorVal scratch{};
        scratch.icp = icp;
        if ((rv = read_colours(p, bp, end, &scratch, true)) != 0)
            return rv;
    }
    if ((rv = p->allocate(p)) != 0)
        return rv;
    return read_colours(p, bp, end, p->data, false);
}

static int icmNamedColor_write(icmBase *pp, uint64_t offset) {
    auto *p = static_cast<icmNamedColor *>(pp);
    icc *icp = p->profile;
    const uint64_t size = named_color_size(p);
    Buffer buf(icm_stage(p, size, "icmNamedColor_write malloc() failed"));
    if (buf == nullptr)
        return 2;
    unsigned char *b = buf.get(), *end = b + size, *bp;
    int rv;
    if ((rv = write_SInt32Number((int)p->tag_type, b)) != 0)
        return icm_err(icp, rv, "icmNamedColor_write: write_SInt32Number() failed");
    write_SInt32Number(0, b + 4);
    if ((rv = write_UInt32Number(p->vendorFlag, b + 8)) != 0 ||
        (rv = write_UInt32Number(p->count, b + 12)) != 0)
        return icm_err(icp, rv, "icmNamedColor_write: write_UInt32Number() failed");
    if (is_ncol(p)) {
        if (!terminated(p->prefix, 32))
            return icm_err(icp, 1, "icmNamedColor_write: Color prefix is not null terminated");
        if (!terminated(p->suffix, 32))
            return icm_err(icp, 1, "icmNamedColor_write: Color sufix is not null terminated");
        bp = b + 16;
        for (const char *s : {p->prefix, p->suffix}) {
            size_t n = strlen(s) + 1;
            memcpy(bp, s, n);
            bp += n;
        }
    } else {
        if ((rv = write_UInt32Number(p->nDeviceCoords, b + 16)) != 0)
            return icm_err(icp, rv, "icmNamedColor_write: write_UInt32Number() failed");
        if (!terminated(p->prefix, 32))
            return icm_err(icp, 1, "icmNamedColor_write: Color prefix is not null terminated");
        if (!terminated(p->suffix, 32))
            return icm_err(icp, 1, "icmNamedColor_write: Color sufix is not null terminated");
        memcpy(b + 20, p->prefix, 32);
        memcpy(b + 52, p->suffix, 32);
        bp = b + 84;
    }
    const unsigned int ndc = p->nDeviceCoords;
    for (unsigned int i = 0; i < p->count && p->data != nullptr; i++) {
        icmNamedColorVal *v = &p->data[i];
        if (is_ncol(p)) {
            if ((rv = icmNamedColorVal_write(v, bp, end, icp->header->colorSpace, ndc)) != 0)
                return rv;
            bp += strlen(v->root) + 1 + ndc;
        } else {
            if ((rv = icmNamedColorVal2_write(v, bp, end, icp->header->pcs, ndc)) != 0)
                return rv;
            bp += 38 + 2 * (size_t)ndc;
        }
    }
    return icm_write_tag_bytes(p, b, (unsigned int)size, offset, "icmNamedColor_write write() failed");
}

static void icmNamedColor_dump(icmBase *pp, std::ostream *op, int detail) {
    auto *p = static_cast<icmNamedColor *>(pp);
    if (detail <= 0)
        return;
    *op << (is_ncol(p) ? "NamedColor:\n" : "NamedColor2:\n");
    icm_dump_line(op, "  Vendor Flag = 0x%x\n", p->vendorFlag);
    *op << "  No. colors  = " << p->count << "\n";
    *op << "  No. dev. coords = " << p->nDeviceCoords << "\n";
    *op << "  Name prefix = '" << std::string(p->prefix, strnlen(p->prefix, 32)) << "'\n";
    *op << "  Name suffix = '" << std::string(p->suffix, strnlen(p->suffix, 32)) << "'\n";
    if (detail < 2 || p->data == nullptr)
        return;
    const uint32_t pcs = p->profile->header->pcs;
    const unsigned int ndc = std::min(p->nDeviceCoords, icmNamedColor_max_devcoords);
    for (unsigned int i = 0; i < p->count; i++) {
        const icmNamedColorVal *v = &p->data[i];
        *op << "    Color " << i << ":\n";
        *op << "      Name root = '" << std::string(v->root, strnlen(v->root, 32)) << "'\n";
        if (!is_ncol(p)) {
            const double *c = v->pcsCoords;
            if (pcs == icmSig("Lab "))
                icm_dump_line(op, "      Lab = %f, %f, %f'\n", c[0], c[1], c[2]);
            else if (pcs == icmSig("XYZ "))
                icm_dump_line(op, "      XYZ = %f, %f, %f'\n", c[0], c[1], c[2]);
            else
                *op << "      Unexpected PCS\n";
        }
        if (ndc > 0) {
            *op << "      Device Coords = ";
            for (unsigned int j = 0; j < ndc; j++)
                icm_dump_line(op, j == 0 ? "%f" : ", %f", v->deviceCoords[j]);
            *op << "\n";
        }
    }
}

static void icmNamedColor_delete(icmBase *pp) {
    auto *p = static_cast<icmNamedColor *>(pp);
    free(p->data);
    free(p);
}

icmBase *new_icmNamedColor(icc *icp) {
    auto *p = static_cast<icmNamedColor *>(icm_new_tag(icp, sizeof(icmNamedColor), icmSig("ncl2")));
    if (p == nullptr)
        return nullptr;
    p->get_size = icmNamedColor_get_size;
    p->read = icmNamedColor_read;
    p->write = icmNamedColor_write;
    p->del = icmNamedColor_delete;
    p->dump = icmNamedColor_dump;
    p->allocate = icmNamedColor_alloc;
    if (icp->header != nullptr)
        p->nDeviceCoords = colorspace2nchan(icp->header->colorSpace);
    return p;
}

// ---------------------------------------------------------------------------
// Text description ('desc').

namespace {

uint64_t text_description_size(const icmTextDescription *p) {
    return 90 + (uint64_t)p->size + 2 * (uint64_t)p->ucSize;
}

void free_text_description(icmTextDescription *p) {
    free(p->desc);
    free(p->ucDesc);
    p->desc = nullptr;
    p->ucDesc = nullptr;
}

}  // namespace

static int icmTextDescription_alloc(icmBase *pp) {
    auto *p = static_cast<icmTextDescription *>(pp);
    if (p->size > 0 && p->desc == nullptr) {
        if ((p->desc = static_cast<char *>(calloc(p->size, 1))) == nullptr)
            return icm_err(p->profile, 2, "icmTextDescription_alloc: malloc() of Ascii description failed");
    }
    if (p->ucSize > 0 && p->ucDesc == nullptr) {
        if ((p->ucDesc = static_cast<uint16_t *>(calloc(p->ucSize, sizeof(uint16_t)))) == nullptr)
            return icm_err(p->profile, 2,
                           "icmTextDescription_alloc: malloc() of Unicode description failed");
    }
    return 0;
}

static int icmTextDescription_core_read(icmTextDescription *p, const unsigned char **bpp,
                                        const unsigned char *end) {
    icc *icp = p->profile;
    const unsigned char *bp = *bpp;
    int rv = 0;
    auto fail = [&](int code, const char *msg) {
        *bpp = bp;
        return icm_err(icp, code, "%s", msg);
    };

    if (left(bp, end) < 8)
        return fail(1, "icmTextDescription_read: Data too short to type descriptor");
    if (read_UInt32Number(bp) != p->tag_type)
        return fail(1, "icmTextDescription_read: Wrong tag type for icmTextDescription");
    bp += 8;
    // A second read replaces the texts.
    free_text_description(p);
    p->size = p->ucSize = p->scSize = 0;

    if (left(bp, end) < 4)
        return fail(1, "icmTextDescription_read: Data too short to read Ascii header");
    p->size = read_UInt32Number(bp);
    bp += 4;
    if (p->size > 0) {
        if (p->size > left(bp, end))
            return fail(1, "icmTextDescription_read: Data to short to read Ascii string");
        if (!terminated(bp, p->size))
            return fail(1, "icmTextDescription_read: ascii string is not terminated");
        if ((rv = p->allocate(p)) != 0) {
            *bpp = bp;
            return rv;
        }
        strcpy(p->desc, reinterpret_cast<const char *>(bp));
        bp += p->size;
    }

    if (left(bp, end) < 8)
        return fail(1, "icmTextDescription_read: Data too short to read Unicode string");
    p->ucLangCode = read_UInt32Number(bp);
    p->ucSize = read_UInt32Number(bp + 4);
    bp += 8;
    if (p->ucSize > 0) {
        if (p->ucSize > left(bp, end) / 2)
            return fail(1, "icmTextDescription_read: Data too short to read Unicode string");
        unsigned int n = 0;  // characters before the zero
        while (n < p->ucSize && read_UInt16Number(bp + 2 * (size_t)n) != 0)
            n++;
        if (n == p->ucSize)
            return fail(1, "icmTextDescription_read: Unicode string is not terminated");
        if ((rv = p->allocate(p)) != 0) {
            *bpp = bp;
            return rv;
        }
        for (unsigned int i = 0; i < n; i++)
            p->ucDesc[i] = (uint16_t)read_UInt16Number(bp + 2 * (size_t)i);
        p->ucDesc[n] = 0;
        // The ScriptCode part follows the whole declared length, wherever the
        // zero stands within it.
        bp += 2 * (size_t)p->ucSize;
    }

    if (left(bp, end) < 3)
        return fail(1, "icmTextDescription_read: Data too short to read ScriptCode header");
    p->scCode = read_UInt16Number(bp);
    p->scSize = read_UInt8Number(bp + 2);
    bp += 3;
    memset(p->scDesc, 0, sizeof p->scDesc);
    if (p->scSize > 0) {
        if (p->scSize > sizeof p->scDesc)
            return fail(1, "icmTextDescription_read: ScriptCode string too long");
        if (p->scSize > left(bp, end))
            return fail(1, "icmTextDescription_read: Data too short to read ScriptCode string");
        if (!terminated(bp, p->scSize))
            return fail(1, "icmTextDescription_read: ScriptCode string is not terminated");
        memcpy(p->scDesc, bp, p->scSize);
    }
    // The field is always 67 bytes; a short tag ends inside it.
    bp += std::min<size_t>(sizeof p->scDesc, left(bp, end));
    *bpp = bp;
    return 0;
}

static int icmTextDescription_core_write(icmTextDescription *p, unsigned char **bpp,
                                         unsigned char *end) {
    icc *icp = p->profile;
    unsigned char *bp = *bpp;
    int rv = 0;
    auto fail = [&](int code, const char *msg) {
        *bpp = bp;
        return icm_err(icp, code, "%s", msg);
    };
    if (text_description_size(p) > left(bp, end))
        return fail(1, "icmTextDescription_write: Buffer too small");

    if ((rv = write_SInt32Number((int)p->tag_type, bp)) != 0)
        return fail(rv, "icmTextDescription_write: write_SInt32Number() failed");
    write_SInt32Number(0, bp + 4);
    bp += 8;

    if ((rv = write_UInt32Number(p->size, bp)) != 0)
        return fail(rv, "icmTextDescription_write: write_UInt32Number() failed");
    bp += 4;
    if (p->size > 0) {
        if (!terminated(p->desc, p->size))
            return fail(1, "icmTextDescription_write: ascii string is not terminated");
        strcpy(reinterpret_cast<char *>(bp), p->desc);
        bp += p->size;
    }

    if ((rv = write_UInt32Number(p->ucLangCode, bp)) != 0 ||
        (rv = write_UInt32Number(p->ucSize, bp + 4)) != 0)
        return fail(rv, "icmTextDescription_write: write_UInt32Number() failed");
    bp += 8;
    if (p->ucSize > 0) {
        unsigned int n = 0;
        while (p->ucDesc != nullptr && n < p->ucSize && p->ucDesc[n] != 0)
            n++;
        if (p->ucDesc == nullptr || n == p->ucSize)
            return fail(1, "icmTextDescription_write: Unicode string is not terminated");
        for (unsigned int i = 0; i <= n; i++) {
            if ((rv = write_UInt16Number(p->ucDesc[i], bp + 2 * (size_t)i)) != 0)
                return fail(rv, "icmTextDescription_write: write_UInt16Number() failed");
        }
        // Zeros (of the staging buffer) fill the rest of the declared length.
        bp += 2 * (size_t)p->ucSize;
    }

    if ((rv = write_UInt16Number(p->scCode, bp)) != 0)
        return fail(rv, "icmTextDescription_write: write_UInt16Number() failed");
    if ((rv = write_UInt8Number(p->scSize, bp + 2)) != 0)
        return fail(rv, "icmTextDescription_write: write_UInt8Number() failed");
    bp += 3;
    if (p->scSize > sizeof p->scDesc)
        return fail(1, "icmTextDescription_write: ScriptCode string too long");
    if (p->scSize > 0 && !terminated(p->scDesc, p->scSize))
        return fail(1, "icmTextDescription_write: ScriptCode string is not terminated");
    if (p->scSize == 0)
        memset(bp, 0, sizeof p->scDesc);
    else
        memcpy(bp, p->scDesc, sizeof p->scDesc);
    bp += sizeof p->scDesc;
    *bpp = bp;
    return 0;
}

static unsigned int icmTextDescription_get_size(icmBase *pp) {
    return icm_clamp_size(text_description_size(static_cast<icmTextDescription *>(pp)));
}

static int icmTextDescription_read(icmBase *pp, unsigned int len, uint64_t offset) {
    auto *p = static_cast<icmTextDescription *>(pp);
    if (len < 13)
        return icm_err(p->profile, 1, "icmTextDescription_read: Tag too small to be legal");
    Buffer buf;
    int rv = read_tag(p, len, offset, "icmTextDescription_read", &buf);
    if (rv != 0)
        return rv;
    const unsigned char *bp = buf.get();
    return p->core_read(p, &bp, bp + len);
}

static int icmTextDescription_write(icmBase *pp, uint64_t offset) {
    auto *p = static_cast<icmTextDescription *>(pp);
    const uint64_t size = text_description_size(p);
    Buffer buf(icm_stage(p, size, "icmTextDescription_write malloc() failed"));
    if (buf == nullptr)
        return 2;
    unsigned char *bp = buf.get();
    int rv = p->core_write(p, &bp, buf.get() + size);
    if (rv != 0)
        return rv;
    return icm_write_tag_bytes(p, buf.get(), (unsigned int)size, offset,
                               "icmTextDescription_write write failed");
}

static void icmTextDescription_dump(icmBase *pp, std::ostream *op, int detail) {
    auto *p = static_cast<icmTextDescription *>(pp);
    if (detail <= 0)
        return;
    *op << "TextDescription:\n";
    if (p->size > 0) {
        *op << "  ASCII data, length " << p->size << " chars:\n";
        dump_chars(op, "    ", 75, detail, p->desc, shown_length(p->desc, p->size));
    } else {
        *op << "  No ASCII data\n";
    }
    if (p->ucSize > 0) {
        icm_dump_line(op, "  Unicode Data, Language code 0x%x, length %u chars\n", p->ucLangCode,
                      p->ucSize);
        if (p->ucDesc != nullptr)
            dump_lines(op, "    ", 75, detail, p->ucSize, [&](size_t i) {
                icm_dump_line(op, "%04x ", (unsigned int)p->ucDesc[i]);
                return 5u;
            });
    } else {
        *op << "  No Unicode data\n";
    }
    if (p->scSize > 0) {
        icm_dump_line(op, "  ScriptCode Data, Code 0x%x, length %u chars\n", p->scCode, p->scSize);
        dump_lines(op, "    ", 75, detail, std::min<size_t>(p->scSize, sizeof p->scDesc),
                   [&](size_t i) {
                       icm_dump_line(op, "%02x ", (unsigned int)p->scDesc[i]);
                       return 3u;
                   });
    } else {
        *op << "  No ScriptCode data\n";
    }
}

static void icmTextDescription_delete(icmBase *pp) {
    auto *p = static_cast<icmTextDescription *>(pp);
    free_text_description(p);
    free(p);
}

namespace {

// Fills a zeroed description's head and operations; used for tag objects and
// for the descriptions a sequence element holds in place.
void init_text_description(icmTextDescription *p, icc *icp) {
    p->tag_type = icmSig("desc");
    p->profile = icp;
    p->ref_count = 1;
    p->get_size = icmTextDescription_get_size;
    p->read = icmTextDescription_read;
    p->write = icmTextDescription_write;
    p->del = icmTextDescription_delete;
    p->dump = icmTextDescription_dump;
    p->allocate = icmTextDescription_alloc;
    p->core_read = icmTextDescription_core_read;
    p->core_write = icmTextDescription_core_write;
}

}  // namespace

icmBase *new_icmTextDescription(icc *icp) {
    auto *p = static_cast<icmTextDescription *>(
        icm_new_tag(icp, sizeof(icmTextDescription), icmSig("desc")));
    if (p == nullptr)
        return nullptr;
    init_text_description(p, icp);
    return p;
}

// ---------------------------------------------------------------------------
// Profile sequence description ('pseq').

static int icmDescStruct_allocate(icmDescStruct *p) {
    int rv = p->device.allocate(&p->device);
    if (rv != 0)
        return rv;
    return p->model.allocate(&p->model);
}

namespace {

void init_desc_struct(icmDescStruct *p, icc *icp) {
    p->icp = icp;
    p->allocate = icmDescStruct_allocate;
    init_text_description(&p->device, icp);
    init_text_description(&p->model, icp);
}

void free_desc_struct(icmDescStruct *p) {
    free_text_description(&p->device);
    free_text_description(&p->model);
}

uint64_t desc_struct_size(const icmDescStruct *p) {
    return 20 + text_description_size(&p->device) + text_description_size(&p->model);
}

uint64_t sequence_size(const icmProfileSequenceDesc *p) {
    uint64_t size = 12;
    for (unsigned int i = 0; i < p->count && p->data != nullptr; i++)
        size += desc_struct_size(&p->data[i]);
    return size;
}

void free_sequence(icmProfileSequenceDesc *p) {
    for (unsigned int i = 0; i < p->count && p->data != nullptr; i++)
        free_desc_struct(&p->data[i]);
    free(p->data);
    p->data = nullptr;
}

// Some writers (LittleCMS among them) start each description of a sequence
// at a multiple of 4 bytes. Where a description does not begin `lead` bytes
// on but does after one to three zero bytes, those are padding and skipped;
// a sequence without padding reads as before.
void skip_padding(const unsigned char **bpp, const unsigned char *end, size_t lead) {
    const unsigned char *bp = *bpp;
    auto desc_at = [&](size_t k) {
        return left(bp, end) >= k + lead + 4 && read_UInt32Number(bp + k + lead) == icmSig("desc");
    };
    if (desc_at(0))
        return;
    for (size_t k = 1; k <= 3 && k <= left(bp, end) && bp[k - 1] == 0; k++) {
        if (desc_at(k)) {
            *bpp = bp + k;
            return;
        }
    }
}

}  // namespace

int icmDescStruct_read(icmDescStruct *p, const unsigned char **bpp, const unsigned char *end) {
    skip_padding(bpp, end, 20);
    const unsigned char *bp = *bpp;
    if (left(bp, end) < 20)
        return icm_err(p->icp, 1, "icmDescStruct_read: Data too short read header");
    p->deviceMfg = read_UInt32Number(bp);
    p->deviceModel = read_UInt32Number(bp + 4);
    p->attributes = read_UInt64Number(bp + 8);
    p->technology = read_UInt32Number(bp + 16);
    *bpp = bp + 20;
    int rv = p->device.core_read(&p->device, bpp, end);
    if (rv != 0)
        return rv;
    skip_padding(bpp, end, 0);
    return p->model.core_read(&p->model, bpp, end);
}

int icmDescStruct_write(icmDescStruct *p, unsigned char **bpp, unsigned char *end) {
    unsigned char *bp = *bpp;
    int rv;
    if (left(bp, end) < 20)
        return icm_err(p->icp, 1, "icmDescStruct_write: Buffer too small");
    if ((rv = write_SInt32Number((int)p->deviceMfg, bp)) != 0)
        return icm_err(p->icp, rv, "icmDescStruct_write: write_SInt32Number() failed");
    if ((rv = write_UInt32Number(p->deviceModel, bp + 4)) != 0)
        return icm_err(p->icp, rv, "icmDescStruct_write: write_UInt32Number() failed");
    if ((rv = write_UInt64Number(&p->attributes, bp + 8)) != 0)
        return icm_err(p->icp, rv, "icmDescStruct_write: write_UInt64Number() failed");
    if ((rv = write_UInt32Number(p->technology, bp + 16)) != 0)
        return icm_err(p->icp, rv, "icmDescStruct_write: write_UInt32Number() failed");
    *bpp = bp + 20;
    if ((rv = p->device.core_write(&p->device, bpp, end)) != 0)
        return rv;
    return p->model.core_write(&p->model, bpp, end);
}

static void icmDescStruct_dump(icmDescStruct *p, std::ostream *op, int detail, unsigned int index) {
    if (detail <= 0)
        return;
    *op << "DescStruct " << index << ":\n";
    *op << "  Dev. Mnfctr.    = " << tag2str(p->deviceMfg) << "\n";
    *op << "  Dev. Model      = " << tag2str(p->deviceModel) << "\n";
    *op << "  Dev. Attrbts    = " << devattr2str(p->attributes) << "\n";
    *op << "  Dev. Technology = " << technology2str(p->technology) << "\n";
    p->device.dump(&p->device, op, detail);
    p->model.dump(&p->model, op, detail);
    *op << "\n";
}

static unsigned int icmProfileSequenceDesc_get_size(icmBase *pp) {
    return icm_clamp_size(sequence_size(static_cast<icmProfileSequenceDesc *>(pp)));
}

static int icmProfileSequenceDesc_allocate(icmBase *pp) {
    auto *p = static_cast<icmProfileSequenceDesc *>(pp);
    if (p->count > 0 && p->data == nullptr) {
        p->data = static_cast<icmDescStruct *>(calloc(p->count, sizeof(icmDescStruct)));
        if (p->data == nullptr)
            return icm_err(p->profile, 2,
                           "icmProfileSequenceDesc_allocate Allocation of DescStruct array failed");
        for (unsigned int i = 0; i < p->count; i++)
            init_desc_struct(&p->data[i], p->profile);
    }
    return 0;
}

static int icmProfileSequenceDesc_read(icmBase *pp, unsigned int len, uint64_t offset) {
    auto *p = static_cast<icmProfileSequenceDesc *>(pp);
    icc *icp = p->profile;
    if (len < 12)
        return icm_err(icp, 1, "icmProfileSequenceDesc_read: Tag too small to be legal");
    Buffer buf;
    int rv = read_tag(p, len, offset, "icmProfileSequenceDesc_read", &buf);
    if (rv != 0)
        return rv;
    const unsigned char *bp = buf.get(), *end = bp + len;
    if (read_UInt32Number(bp) != p->tag_type)
        return icm_err(icp, 1, "icmProfileSequenceDesc_read: Wrong tag type for icmProfileSequenceDesc");
    free_sequence(p);
    p->count = read_UInt32Number(bp + 8);
    bp += 12;

    // An element takes 20 bytes and two descriptions of at least 90 (the last
    // description may end inside its ScriptCode field, 23). A count the data
    // cannot hold fails as reading the elements would, before allocating.
    if (p->count > 0 && (uint64_t)(p->count - 1) * 200 + 133 > left(bp, end)) {
        icmDescStruct scratch{};
        init_desc_struct(&scratch, icp);
        const unsigned char *sp = bp;
        rv = 0;
        for (unsigned int i = 0; i < p->count && rv == 0; i++)
            rv = icmDescStruct_read(&scratch, &sp, end);
        free_desc_struct(&scratch);
        if (rv != 0)
            return rv;
    }
    if ((rv = p->allocate(p)) != 0)
        return rv;
    for (unsigned int i = 0; i < p->count; i++) {
        if ((rv = icmDescStruct_read(&p->data[i], &bp, end)) != 0)
            return rv;
    }
    return 0;
}

static int icmProfileSequenceDesc_write(icmBase *pp, uint64_t offset) {
    auto *p = static_cast<icmProfileSequenceDesc *>(pp);
    icc *icp = p->profile;
    const uint64_t size = sequence_size(p);
    Buffer buf(icm_stage(p, size, "icmProfileSequenceDesc_write malloc() failed"));
    if (buf == nullptr)
        return 2;
    unsigned char *b = buf.get(), *end = b + size;
    int rv;
    if ((rv = write_SInt32Number((int)p->tag_type, b)) != 0)
        return icm_err(icp, rv, "icmProfileSequenceDesc_write: write_SInt32Number() failed");
    write_SInt32Number(0, b + 4);
    if ((rv = write_UInt32Number(p->count, b + 8)) != 0)
        return icm_err(icp, rv, "icmProfileSequenceDesc_write: write_UInt32Number() failed");
    unsigned char *bp = b + 12;
    for (unsigned int i = 0; i < p->count && p->data != nullptr; i++) {
        if ((rv = icmDescStruct_write(&p->data[i], &bp, end)) != 0)
            return rv;
    }
    return icm_write_tag_bytes(p, b, (unsigned int)size, offset,
                               "icmProfileSequenceDesc_write write failed");
}

static void icmProfileSequenceDesc_dump(icmBase *pp, std::ostream *op, int detail) {
    auto *p = static_cast<icmProfileSequenceDesc *>(pp);
    if (detail <= 0)
        return;
    *op << "ProfileSequenceDesc:\n";
    *op << "  No. elements = " << p->count << "\n";
    if (detail >= 2 && p->data != nullptr)
        for (unsigned int i = 0; i < p->count; i++)
            icmDescStruct_dump(&p->data[i], op, detail - 1, i);
}

static void icmProfileSequenceDesc_delete(icmBase *pp) {
    auto *p = static_cast<icmProfileSequenceDesc *>(pp);
    free_sequence(p);
    free(p);
}

icmBase *new_icmProfileSequenceDesc(icc *icp) {
    auto *p = static_cast<icmProfileSequenceDesc *>(
        icm_new_tag(icp, sizeof(icmProfileSequenceDesc), icmSig("pseq")));
    if (p == nullptr)
        return nullptr;
    p->get_size = icmProfileSequenceDesc_get_size;
    p->read = icmProfileSequenceDesc_read;
    p->write = icmProfileSequenceDesc_write;
    p->del = icmProfileSequenceDesc_delete;
    p->dump = icmProfileSequenceDesc_dump;
    p->allocate = icmProfileSequenceDesc_allocate;
    return p;
}

// ---------------------------------------------------------------------------
// Signature ('sig ').

static unsigned int icmSignature_get_size(icmBase *) {
    return 12;
}

static int icmSignature_read(icmBase *pp, unsigned int len, uint64_t offset) {
    auto *p = static_cast<icmSignature *>(pp);
    if (len < 12)
        return icm_err(p->profile, 1, "icmSignature_read: Tag too small to be legal");
    Buffer buf;
    int rv = read_tag(p, len, offset, "icmSignature_read", &buf);
    if (rv != 0)
        return rv;
    if (read_UInt32Number(buf.get()) != p->tag_type)
        return icm_err(p->profile, 1, "icmSignaturSignatureng tag type for icmSignature");
    p->sig = read_UInt32Number(buf.get() + 8);
    return 0;
}

static int icmSignature_write(icmBase *pp, uint64_t offset) {
    auto *p = static_cast<icmSignature *>(pp);
    Buffer buf(icm_stage(p, 12, "icmSignature_write malloc() failed"));
    if (buf == nullptr)
        return 2;
    int rv;
    if ((rv = write_SInt32Number((int)p->tag_type, buf.get())) != 0)
        return icm_err(p->profile, rv, "icmSignature_write: write_SInt32Number() failed");
    if ((rv = write_SInt32Number((int)p->sig, buf.get() + 8)) != 0)
        return icm_err(p->profile, rv, "icmSignaturea_write: write_SInt32Number() failed");
    return icm_write_tag_bytes(p, buf.get(), 12, offset, "icmSignature_write write failed");
}

static void icmSignature_dump(icmBase *pp, std::ostream *op, int detail) {
    auto *p = static_cast<icmSignature *>(pp);
    if (detail <= 0)
        return;
    *op << "Signature\n";
    *op << "  Technology = " << technology2str(p->sig) << "\n";
}

// Frees an object that owns no buffers (the signature and viewing types).
static void icmSignature_delete(icmBase *p) {
    free(p);
}

icmBase *new_icmSignature(icc *icp) {
    auto *p = static_cast<icmSignature *>(icm_new_tag(icp, sizeof(icmSignature), icmSig("sig ")));
    if (p == nullptr)
        return nullptr;
    p->get_size = icmSignature_get_size;
    p->read = icmSignature_read;
    p->write = icmSignature_write;
    p->del = icmSignature_delete;
    p->dump = icmSignature_dump;
    p->allocate = no_alloc;
    return p;
}

// ---------------------------------------------------------------------------
// Screening ('scrn').

static unsigned int icmScreening_get_size(icmBase *pp) {
    auto *p = static_cast<icmScreening *>(pp);
    return icm_clamp_size(16 + 12 * (uint64_t)p->channels);
}

static int icmScreening_alloc(icmBase *pp) {
    auto *p = static_cast<icmScreening *>(pp);
    if (p->channels > 0 && p->data == nullptr) {
        p->data = static_cast<icmScreeningData *>(calloc(p->channels, sizeof(icmScreeningData)));
        if (p->data == nullptr)
            return icm_err(p->profile, 2, "icmScreening_alloc: malloc() of icmScreening data failed");
    }
    return 0;
}

static int icmScreening_read(icmBase *pp, unsigned int len, uint64_t offset) {
    auto *p = static_cast<icmScreening *>(pp);
    icc *icp = p->profile;
    if (len < 16)
        return icm_err(icp, 1, "icmScreening_read: Tag too small to be legal");
    Buffer buf;
    int rv = read_tag(p, len, offset, "icmScreening_read", &buf);
    if (rv != 0)
        return rv;
    const unsigned char *b = buf.get();
    if (read_UInt32Number(b) != p->tag_type)
        return icm_err(icp, 1, "icmScreening_read: Wrong tag type for icmScreening");
    free(p->data);
    p->data = nullptr;
    p->screeningFlag = read_UInt32Number(b + 8);
    p->channels = read_UInt32Number(b + 12);
    if (p->channels > (len - 16) / 12)
        return icm_err(icp, 1, "icmScreening_read: Data too short to read Screening Data");
    if ((rv = p->allocate(p)) != 0)
        return rv;
    for (unsigned int i = 0; i < p->channels; i++) {
        const unsigned char *cp = b + 16 + 12 * (size_t)i;
        p->data[i].frequency = read_S15Fixed16Number(cp);
        p->data[i].angle = read_S15Fixed16Number(cp + 4);
        p->data[i].spotShape = read_SInt32Number(cp + 8);
    }
    return 0;
}

static int icmScreening_write(icmBase *pp, uint64_t offset) {
    auto *p = static_cast<icmScreening *>(pp);
    icc *icp = p->profile;
    const uint64_t size = 16 + 12 * (uint64_t)p->channels;
    Buffer buf(icm_stage(p, size, "icmScreening_write malloc() failed"));
    if (buf == nullptr)
        return 2;
    unsigned char *b = buf.get();
    int rv;
    if ((rv = write_SInt32Number((int)p->tag_type, b)) != 0)
        return icm_err(icp, rv, "icmScreening_write: write_SInt32Number() failed");
    write_SInt32Number(0, b + 4);
    if ((rv = write_UInt32Number(p->screeningFlag, b + 8)) != 0)
        return icm_err(icp, rv, "icmScreening_write: write_UInt32Number() failed");
    if ((rv = write_UInt32Number(p->channels, b + 12)) != 0)
        return icm_err(icp, rv, "icmScreening_write: write_UInt32NumberXYZumber() failed");
    for (unsigned int i = 0; i < p->channels && p->data != nullptr; i++) {
        unsigned char *cp = b + 16 + 12 * (size_t)i;
        if ((rv = write_S15Fixed16Number(p->data[i].frequency, cp)) != 0 ||
            (rv = write_S15Fixed16Number(p->data[i].angle, cp + 4)) != 0 ||
            (rv = write_SInt32Number(p->data[i].spotShape, cp + 8)) != 0)
            return icm_err(icp, rv, "icmScreening_write: write_ScreeningData() failed");
    }
    return icm_write_tag_bytes(p, b, (unsigned int)size, offset, "icmScreening_write write failed");
}

static void icmScreening_dump(icmBase *pp, std::ostream *op, int detail) {
    auto *p = static_cast<icmScreening *>(pp);
    if (detail <= 0)
        return;
    *op << "Screening:\n";
    *op << "  Flags = " << screenflags2str(p->screeningFlag) << "\n";
    *op << "  No. channels = " << p->channels << "\n";
    if (detail < 2 || p->data == nullptr)
        return;
    for (unsigned int i = 0; i < p->channels; i++) {
        *op << "    " << i << ":\n";
        icm_dump_line(op, "      Frequency:  %f\n", p->data[i].frequency);
        icm_dump_line(op, "      Angle:      %f\n", p->data[i].angle);
        icm_dump_line(op, "      Spot shape: %s\n", spotshape2str(p->data[i].spotShape));
    }
}

static void icmScreening_delete(icmBase *pp) {
    auto *p = static_cast<icmScreening *>(pp);
    free(p->data);
    free(p);
}

icmBase *new_icmScreening(icc *icp) {
    auto *p = static_cast<icmScreening *>(icm_new_tag(icp, sizeof(icmScreening), icmSig("scrn")));
    if (p == nullptr)
        return nullptr;
    p->get_size = icmScreening_get_size;
    p->read = icmScreening_read;
    p->write = icmScreening_write;
    p->del = icmScreening_delete;
    p->dump = icmScreening_dump;
    p->allocate = icmScreening_alloc;
    return p;
}

// ---------------------------------------------------------------------------
// PostScript CRD information ('crdi').

namespace {

uint64_t crd_info_size(const icmCrdInfo *p) {
    uint64_t size = 12 + (uint64_t)p->ppsize;
    for (unsigned int t = 0; t < 4; t++)
        size += 4 + (uint64_t)p->crdsize[t];
    return size;
}

void free_crd_info(icmCrdInfo *p) {
    free(p->ppname);
    p->ppname = nullptr;
    for (char *&name : p->crdname) {
        free(name);
        name = nullptr;
    }
}

}  // namespace

static unsigned int icmCrdInfo_get_size(icmBase *pp) {
    return icm_clamp_size(crd_info_size(static_cast<icmCrdInfo *>(pp)));
}

static int icmCrdInfo_alloc(icmBase *pp) {
    auto *p = static_cast<icmCrdInfo *>(pp);
    if (p->ppsize > 0 && p->ppname == nullptr) {
        if ((p->ppname = static_cast<char *>(calloc(p->ppsize, 1))) == nullptr)
            return icm_err(p->profile, 2, "icmCrdInfo_alloc: malloc() of string data failed");
    }
    for (int t = 0; t < 4; t++) {
        if (p->crdsize[t] > 0 && p->crdname[t] == nullptr) {
            if ((p->crdname[t] = static_cast<char *>(calloc(p->crdsize[t], 1))) == nullptr)
                return icm_err(p->profile, 2, "icmCrdInfo_alloc: malloc() of CRD%d name string failed", t);
        }
    }
    return 0;
}

static int icmCrdInfo_read(icmBase *pp, unsigned int len, uint64_t offset) {
    auto *p = static_cast<icmCrdInfo *>(pp);
    icc *icp = p->profile;
    if (len < 28)
        return icm_err(icp, 1, "icmCrdInfo_read: Tag too small to be legal");
    Buffer buf;
    int rv = read_tag(p, len, offset, "icmCrdInfo_read", &buf);
    if (rv != 0)
        return rv;
    const unsigned char *bp = buf.get(), *end = bp + len;
    if (read_UInt32Number(bp) != p->tag_type)
        return icm_err(icp, 1, "icmCrdInfo_read: Wrong tag type for icmCrdInfo");
    free_crd_info(p);
    p->ppsize = 0;
    memset(p->crdsize, 0, sizeof p->crdsize);
    bp += 8;

    if (left(bp, end) < 4)
        return icm_err(icp, 1, "icmCrdInfo_read: Data too short to read Postscript product name");
    p->ppsize = read_UInt32Number(bp);
    bp += 4;
    if (p->ppsize > 0) {
        if (p->ppsize > left(bp, end))
            return icm_err(icp, 1, "icmCrdInfo_read: Data to short to read Postscript product string");
        if (!terminated(bp, p->ppsize))
            return icm_err(icp, 1, "icmCrdInfo_read: Postscript product name is not terminated");
        if ((rv = p->allocate(p)) != 0)
            return rv;
        memcpy(p->ppname, bp, p->ppsize);
        bp += p->ppsize;
    }
    for (int t = 0; t < 4; t++) {
        if (left(bp, end) < 4)
            return icm_err(icp, 1, "icmCrdInfo_read: Data too short to read CRD%d name", t);
        p->crdsize[t] = read_UInt32Number(bp);
        bp += 4;
        if (p->crdsize[t] > 0) {
            if (p->crdsize[t] > left(bp, end))
                return icm_err(icp, 1, "icmCrdInfo_read: Data to short to read CRD%d string", t);
            if (!terminated(bp, p->crdsize[t]))
                return icm_err(icp, 1, "icmCrdInfo_read: CRD%d name is not terminated", t);
            if ((rv = p->allocate(p)) != 0)
                return rv;
            memcpy(p->crdname[t], bp, p->crdsize[t]);
            bp += p->crdsize[t];
        }
    }
    return 0;
}

static int icmCrdInfo_write(icmBase *pp, uint64_t offset) {
    auto *p = static_cast<icmCrdInfo *>(pp);
    icc *icp = p->profile;
    const uint64_t size = crd_info_size(p);
    Buffer buf(icm_stage(p, size, "icmCrdInfo_write malloc() failed"));
    if (buf == nullptr)
        return 2;
    unsigned char *b = buf.get(), *bp = b + 8;
    int rv;
    if ((rv = write_SInt32Number((int)p->tag_type, b)) != 0)
        return icm_err(icp, rv, "icmCrdInfo_write: write_SInt32Number() failed");
    write_SInt32Number(0, b + 4);
    // The product name, then the four CRD names: each a length and its bytes.
    for (int t = -1; t < 4; t++) {
        const unsigned int n = t < 0 ? p->ppsize : p->crdsize[t];
        const char *s = t < 0 ? p->ppname : p->crdname[t];
        if ((rv = write_UInt32Number(n, bp)) != 0)
            return icm_err(icp, rv, "icmCrdInfo_write: write_UInt32Number() failed");
        bp += 4;
        if (n == 0)
            continue;
        if (!terminated(s, n)) {
            if (t < 0)
                return icm_err(icp, 1, "icmCrdInfo_write: Postscript product name is not terminated");
            return icm_err(icp, 1, "icmCrdInfo_write: CRD%d name is not terminated", t);
        }
        memcpy(bp, s, n);
        bp += n;
    }
    return icm_write_tag_bytes(p, b, (unsigned int)size, offset, "icmCrdInfo_write write failed");
}

static void icmCrdInfo_dump(icmBase *pp, std::ostream *op, int detail) {
    auto *p = static_cast<icmCrdInfo *>(pp);
    if (detail <= 0)
        return;
    *op << "PostScript Product name and CRD names:\n";
    *op << "  Product name:\n";
    *op << "    No. chars = " << p->ppsize << "\n";
    dump_chars(op, "      ", 73, detail, p->ppname, shown_length(p->ppname, p->ppsize));
    for (int t = 0; t < 4; t++) {
        *op << "  CRD" << t << " name:\n";
        *op << "    No. chars = " << p->crdsize[t] << "\n";
        dump_chars(op, "      ", 73, detail, p->crdname[t], shown_length(p->crdname[t], p->crdsize[t]));
    }
}

static void icmCrdInfo_delete(icmBase *pp) {
    auto *p = static_cast<icmCrdInfo *>(pp);
    free_crd_info(p);
    free(p);
}

icmBase *new_icmCrdInfo(icc *icp) {
    auto *p = static_cast<icmCrdInfo *>(icm_new_tag(icp, sizeof(icmCrdInfo), icmSig("crdi")));
    if (p == nullptr)
        return nullptr;
    p->get_size = icmCrdInfo_get_size;
    p->read = icmCrdInfo_read;
    p->write = icmCrdInfo_write;
    p->del = icmCrdInfo_delete;
    p->dump = icmCrdInfo_dump;
    p->allocate = icmCrdInfo_alloc;
    return p;
}

// ---------------------------------------------------------------------------
// Viewing conditions ('view').

// 36 bytes, as the measurement type (whose size routine is its own file's).
static unsigned int icmViewingConditions_get_size(icmBase *) {
    return 36;
}

static int icmViewingConditions_read(icmBase *pp, unsigned int len, uint64_t offset) {
    auto *p = static_cast<icmViewingConditions *>(pp);
    icc *icp = p->profile;
    if (len < 36)
        return icm_err(icp, 1, "icmViewingConditions_read: Tag too small to be legal");
    Buffer buf;
    int rv = read_tag(p, len, offset, "icmViewingConditions_read", &buf);
    if (rv != 0)
        return rv;
    const unsigned char *b = buf.get();
    if (read_UInt32Number(b) != p->tag_type)
        return icm_err(icp, 1, "icmViewingConditions_read: Wrong tag type for icmViewingConditions");
    if ((rv = read_XYZNumber(&p->illuminant, b + 8)) != 0 ||
        (rv = read_XYZNumber(&p->surround, b + 20)) != 0)
        return icm_err(icp, rv, "icmViewingConditions: read_XYZNumber error");
    p->stdIlluminant = read_SInt32Number(b + 32);
    return 0;
}

static int icmViewingConditions_write(icmBase *pp, uint64_t offset) {
    auto *p = static_cast<icmViewingConditions *>(pp);
    icc *icp = p->profile;
    Buffer buf(icm_stage(p, 36, "icmViewingConditions_write malloc() failed"));
    if (buf == nullptr)
        return 2;
    unsigned char *b = buf.get();
    int rv;
    if ((rv = write_SInt32Number((int)p->tag_type, b)) != 0)
        return icm_err(icp, rv, "icmViewingConditions_write: write_SInt32Number() failed");
    write_SInt32Number(0, b + 4);
    if ((rv = write_XYZNumber(&p->illuminant, b + 8)) != 0 ||
        (rv = write_XYZNumber(&p->surround, b + 20)) != 0)
        return icm_err(icp, rv, "icmViewingConditions: write_XYZNumber error");
    if ((rv = write_SInt32Number(p->stdIlluminant, b + 32)) != 0)
        return icm_err(icp, rv, "icmViewingConditionsa_write: write_SInt32Number() failed");
    return icm_write_tag_bytes(p, b, 36, offset, "icmViewingConditions_write write failed");
}

static void icmViewingConditions_dump(icmBase *pp, std::ostream *op, int detail) {
    auto *p = static_cast<icmViewingConditions *>(pp);
    if (detail <= 0)
        return;
    *op << "Viewing Conditions:\n";
    *op << "  XYZ value of illuminant in cd/m^2 = " << XYZ2str(&p->illuminant) << "\n";
    *op << "  XYZ value of surround in cd/m^2   = " << XYZ2str(&p->surround) << "\n";
    *op << "  Illuminant type = " << illuminant2str(p->stdIlluminant) << "\n";
}

icmBase *new_icmViewingConditions(icc *icp) {
    auto *p = static_cast<icmViewingConditions *>(
        icm_new_tag(icp, sizeof(icmViewingConditions), icmSig("view")));
    if (p == nullptr)
        return nullptr;
    p->get_size = icmViewingConditions_get_size;
    p->read = icmViewingConditions_read;
    p->write = icmViewingConditions_write;
    p->del = icmSignature_delete;
    p->dump = icmViewingConditions_dump;
    p->allocate = no_alloc;
    return p;
}

// ---------------------------------------------------------------------------
// Undercolour removal and black generation ('bfd ').

namespace {

uint64_t ucr_bg_size(const icmUcrBg *p) {
    return 16 + 2 * (uint64_t)p->UCRcount + 2 * (uint64_t)p->BGcount + p->size;
}

void free_ucr_bg(icmUcrBg *p) {
    free(p->UCRcurve);
    free(p->BGcurve);
    free(p->string);
    p->UCRcurve = p->BGcurve = nullptr;
    p->string = nullptr;
}

// A count of 1 is a percentage, stored as a plain integer; else a curve.
void read_ucr_values(double *v, unsigned int count, const unsigned char *bp) {
    for (unsigned int i = 0; i < count; i++)
        v[i] = count == 1 ? (double)read_UInt16Number(bp + 2 * (size_t)i)
                          : read_DCS16Number(bp + 2 * (size_t)i);
}

int write_ucr_values(icc *icp, const double *v, unsigned int count, unsigned char *bp) {
    for (unsigned int i = 0; i < count && v != nullptr; i++) {
        if (count == 1) {
            const double t = v[i] + 0.5;
            if (!(t >= 0.0 && t < 65536.0) || write_UInt16Number((unsigned int)t, bp) != 0)
                return icm_err(icp, 1, "icmUcrBg_write: write_UInt16umber() failed");
        } else {
            int rv = write_DCS16Number(v[i], bp + 2 * (size_t)i);
            if (rv != 0)
                return icm_err(icp, rv, "icmUcrBg_write: write_DCS16umber(%f) failed", v[i]);
        }
    }
    return 0;
}

void dump_ucr_values(std::ostream *op, const char *name, const double *v, unsigned int count,
                     int detail) {
    if (count == 0) {
        *op << "  " << name << ": Not specified\n";
    } else if (count == 1) {
        if (v != nullptr)
            icm_dump_line(op, "  %s: %f%%\n", name, v[0]);
    } else {
        *op << "  " << name << " curve no. elements = " << count << "\n";
        if (detail >= 2 && v != nullptr)
            for (unsigned int i = 0; i < count; i++)
                icm_dump_line(op, "  %3u:  %f\n", i, v[i]);  // the space flag does nothing for %u
    }
}

}  // namespace

static unsigned int icmUcrBg_get_size(icmBase *pp) {
    return icm_clamp_size(ucr_bg_size(static_cast<icmUcrBg *>(pp)));
}

static int icmUcrBg_allocate(icmBase *pp) {
    auto *p = static_cast<icmUcrBg *>(pp);
    if (p->UCRcount > 0 && p->UCRcurve == nullptr) {
        if ((p->UCRcurve = static_cast<double *>(calloc(p->UCRcount, sizeof(double)))) == nullptr)
            return icm_err(p->profile, 2, "icmUcrBg_allocate: malloc() of UCR curve data failed");
    }
    if (p->BGcount > 0 && p->BGcurve == nullptr) {
        if ((p->BGcurve = static_cast<double *>(calloc(p->BGcount, sizeof(double)))) == nullptr)
            return icm_err(p->profile, 2, "icmUcrBg_allocate: malloc() of BG curve data failed");
    }
    if (p->size > 0 && p->string == nullptr) {
        if ((p->string = static_cast<char *>(calloc(p->size, 1))) == nullptr)
            return icm_err(p->profile, 2, "icmUcrBg_allocate: malloc() of string data failed");
    }
    return 0;
}

static int icmUcrBg_read(icmBase *pp, unsigned int len, uint64_t offset) {
    auto *p = static_cast<icmUcrBg *>(pp);
    icc *icp = p->profile;
    if (len < 16)
        return icm_err(icp, 1, "icmUcrBg_read: Tag too small to be legal");
    Buffer buf;
    int rv = read_tag(p, len, offset, "icmUcrBg_read", &buf);
    if (rv != 0)
        return rv;
    const unsigned char *bp = buf.get(), *end = bp + len;
    if (read_UInt32Number(bp) != p->tag_type)
        return icm_err(icp, 1, "icmUcrBg_read: Wrong tag type for icmUcrBg");
    free_ucr_bg(p);
    p->BGcount = p->size = 0;
    p->UCRcount = read_UInt32Number(bp + 8);
    bp += 12;
    if (p->UCRcount > 0) {
        if (p->UCRcount > left(bp, end) / 2)
            return icm_err(icp, 1, "icmUcrBg_read: Data too short to read UCR Data");
        if ((rv = p->allocate(p)) != 0)
            return rv;
        read_ucr_values(p->UCRcurve, p->UCRcount, bp);
        bp += 2 * (size_t)p->UCRcount;
    }

    if (left(bp, end) < 4)
        return icm_err(icp, 1, "icmData_read: Data too short to read Black Gen count");
    p->BGcount = read_UInt32Number(bp);
    bp += 4;
    if (p->BGcount > 0) {
        if (p->BGcount > left(bp, end) / 2)
            return icm_err(icp, 1, "icmUcrBg_read: Data too short to read BG Data");
        if ((rv = p->allocate(p)) != 0)
            return rv;
        read_ucr_values(p->BGcurve, p->BGcount, bp);
        bp += 2 * (size_t)p->BGcount;
    }

    const size_t rest = left(bp, end);
    if (rest == 0)
        return 0;
    const unsigned char *z = static_cast<const unsigned char *>(memchr(bp, 0, rest));
    if (z == nullptr)
        return icm_err(icp, 1, "icmUcrBg_read: string is not null terminated");
    p->size = (unsigned int)(z - bp) + 1;
    if ((rv = p->allocate(p)) != 0)
        return rv;
    memcpy(p->string, bp, p->size);
    return 0;
}

static int icmUcrBg_write(icmBase *pp, uint64_t offset) {
    auto *p = static_cast<icmUcrBg *>(pp);
    icc *icp = p->profile;
    const uint64_t size = ucr_bg_size(p);
    Buffer buf(icm_stage(p, size, "icmUcrBg_write malloc() failed"));
    if (buf == nullptr)
        return 2;
    unsigned char *b = buf.get(), *bp = b + 8;
    int rv;
    if ((rv = write_SInt32Number((int)p->tag_type, b)) != 0)
        return icm_err(icp, rv, "icmUcrBg_write: write_SInt32Number() failed");
    write_SInt32Number(0, b + 4);
    const struct {
        unsigned int count;
        const double *v;
    } curves[2] = {{p->UCRcount, p->UCRcurve}, {p->BGcount, p->BGcurve}};
    for (const auto &c : curves) {
        if ((rv = write_UInt32Number(c.count, bp)) != 0)
            return icm_err(icp, rv, "icmUcrBg_write: write_UInt32Number() failed");
        bp += 4;
        if ((rv = write_ucr_values(icp, c.v, c.count, bp)) != 0)
            return rv;
        bp += 2 * (size_t)c.count;
    }
    if (p->size > 0) {
        if (!terminated(p->string, p->size))
            return icm_err(icp, 1, "icmUcrBg_write: text is not null terminated");
        memcpy(bp, p->string, p->size);
    }
    return icm_write_tag_bytes(p, b, (unsigned int)size, offset, "icmUcrBg_write write failed");
}

static void icmUcrBg_dump(icmBase *pp, std::ostream *op, int detail) {
    auto *p = static_cast<icmUcrBg *>(pp);
    if (detail <= 0)
        return;
    *op << "Undercolor Removal Curve & Black Generation:\n";
    dump_ucr_values(op, "UCR", p->UCRcurve, p->UCRcount, detail);
    dump_ucr_values(op, "BG", p->BGcurve, p->BGcount, detail);
    *op << "  Description:\n";
    *op << "    No. chars = " << p->size << "\n";
    dump_chars(op, "      ", 73, detail, p->string, shown_length(p->string, p->size));
}

static void icmUcrBg_delete(icmBase *pp) {
    auto *p = static_cast<icmUcrBg *>(pp);
    free_ucr_bg(p);
    free(p);
}

icmBase *new_icmUcrBg(icc *icp) {
    auto *p = static_cast<icmUcrBg *>(icm_new_tag(icp, sizeof(icmUcrBg), icmSig("bfd ")));
    if (p == nullptr)
        return nullptr;
    p->get_size = icmUcrBg_get_size;
    p->read = icmUcrBg_read;
    p->write = icmUcrBg_write;
    p->del = icmUcrBg_delete;
    p->dump = icmUcrBg_dump;
    p->allocate = icmUcrBg_allocate;
    return p;
}

const icmTypeCreator icm_more_creators[] = {
    {icmSig("ncol"), new_icmNamedColor},
    {icmSig("ncl2"), new_icmNamedColor},
    {icmSig("desc"), new_icmTextDescription},
    {icmSig("pseq"), new_icmProfileSequenceDesc},
    {icmSig("sig "), new_icmSignature},
    {icmSig("scrn"), new_icmScreening},
    {icmSig("crdi"), new_icmCrdInfo},
    {icmSig("view"), new_icmViewingConditions},
    {icmSig("bfd "), new_icmUcrBg},
    {0, nullptr},
};
