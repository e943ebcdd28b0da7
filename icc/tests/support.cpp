#include "support.h"

#include <lcms2.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <sys/stat.h>

namespace icctest {

BlockBuf::BlockBuf(uint8_t *data, size_t size) {
    char *b = reinterpret_cast<char *>(data);
    setg(b, b, b + size);
    setp(b, b + size);
}

BlockBuf::pos_type BlockBuf::seekoff(off_type off, std::ios_base::seekdir dir,
                                     std::ios_base::openmode which) {
    const off_type size = egptr() - eback();
    pos_type result = pos_type(off_type(-1));
    auto target = [&](off_type current) -> off_type {
        off_type base = dir == std::ios_base::beg ? 0 : dir == std::ios_base::cur ? current : size;
        off_type np = base + off;
        return (np < 0 || np > size) ? -1 : np;
    };
    if (which & std::ios_base::in) {
        off_type np = target(gptr() - eback());
        if (np < 0)
            return pos_type(off_type(-1));
        setg(eback(), eback() + np, egptr());
        result = pos_type(np);
    }
    if (which & std::ios_base::out) {
        off_type np = target(pptr() - pbase());
        if (np < 0)
            return pos_type(off_type(-1));
        setp(pbase(), epptr());
        while (np > 0) {  // pbump takes an int
            int step = (int)std::min<off_type>(np, 1 << 30);
            pbump(step);
            np -= step;
        }
        result = pos_type(pptr() - pbase());
    }
    return result;
}

BlockBuf::pos_type BlockBuf::seekpos(pos_type pos, std::ios_base::openmode which) {
    return seekoff(off_type(pos), std::ios_base::beg, which);
}

MemStream::MemStream(Bytes owned, uint8_t *view, size_t size)
    : owned_(std::move(owned)),
      data_(view != nullptr ? view : owned_.data()),
      size_(size),
      buf_(data_, size_),
      io_(&buf_) {}

std::unique_ptr<MemStream> MemStream::view(const uint8_t *data, size_t size) {
    // Only read through: the library writes to the streams it is given for writing.
    return std::unique_ptr<MemStream>(new MemStream(Bytes(), const_cast<uint8_t *>(data), size));
}

std::unique_ptr<MemStream> MemStream::copy(const Bytes &data) {
    Bytes owned = data;
    size_t n = owned.size();
    return std::unique_ptr<MemStream>(new MemStream(std::move(owned), nullptr, n));
}

std::unique_ptr<MemStream> MemStream::zeroed(size_t size) {
    return std::unique_ptr<MemStream>(new MemStream(Bytes(size, 0), nullptr, size));
}

Loaded load(const Bytes &data) {
    Loaded l;
    l.stream = MemStream::copy(data);
    l.p = new_icc();
    l.rv = l.p->read(l.p, l.stream->io(), 0);
    return l;
}

Bytes write_profile(icc *p, int *rv) {
    std::iostream *old_stream = p->stream;
    unsigned int old_offset = p->offset;
    unsigned int size = p->get_size(p);
    if (size == 0) {
        if (rv != nullptr)
            *rv = p->error_code;
        return Bytes();
    }
    auto ms = MemStream::zeroed(size);
    int r = p->write(p, ms->io(), 0);
    p->stream = old_stream;  // the block goes away with this function
    p->offset = old_offset;
    if (rv != nullptr)
        *rv = r;
    return r == 0 ? ms->bytes() : Bytes();
}

void put16(Bytes &b, size_t at, unsigned int v) {
    b[at] = uint8_t(v >> 8);
    b[at + 1] = uint8_t(v);
}

void put32(Bytes &b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++)
        b[at + i] = uint8_t(v >> (24 - 8 * i));
}

uint32_t get32(const Bytes &b, size_t at) {
    return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) |
           b[at + 3];
}

Bytes tag_bytes(uint32_t ttype, const Bytes &payload) {
    Bytes b(8, 0);
    put32(b, 0, ttype);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

Bytes RawProfile::build() const {
    const size_t n = tags.size();
    Bytes b(128 + 4 + 12 * n, 0);
    b[8] = version[0];
    b[9] = version[1];
    put32(b, 4, icmSig("zntu"));
    put32(b, 12, deviceClass);
    put32(b, 16, colorSpace);
    put32(b, 20, pcs);
    for (int i = 0; i < 6; i++)
        put16(b, 24 + 2 * i, date[i]);
    put32(b, 36, icmSig("acsp"));
    put32(b, 40, icmSig("APPL"));
    put32(b, 44, 3);
    put32(b, 48, icmSig("ZNTU"));
    put32(b, 52, 7);
    put32(b, 56, 0x1);
    put32(b, 60, 0x2);
    put32(b, 64, 1);
    put32(b, 68, 0x0000F6D6);
    put32(b, 72, 0x00010000);
    put32(b, 76, 0x0000D32D);
    put32(b, 80, icmSig("zntu"));
    put32(b, 128, (uint32_t)n);
    std::vector<uint32_t> offs(n), sizes(n);
    for (size_t i = 0; i < n; i++) {
        if (tags[i].same_as >= 0) {
            offs[i] = offs[tags[i].same_as];
            sizes[i] = sizes[tags[i].same_as];
        } else {
            while (b.size() % 4 != 0)
                b.push_back(0);
            offs[i] = (uint32_t)b.size();
            sizes[i] = (uint32_t)tags[i].data.size();
            b.insert(b.end(), tags[i].data.begin(), tags[i].data.end());
        }
        put32(b, 132 + 12 * i, tags[i].sig);
        put32(b, 136 + 12 * i, offs[i]);
        put32(b, 140 + 12 * i, sizes[i]);
    }
    put32(b, 0, (uint32_t)b.size());
    return b;
}

bool is_known_type(uint32_t ttype) {
    static const char *const known[] = {"crdi", "curv", "data", "dtim", "mft2", "mft1",
                                        "meas", "ncol", "ncl2", "pseq", "sf32", "scrn",
                                        "sig ", "desc", "text", "uf32", "bfd ", "ui16",
                                        "ui32", "ui64", "ui08", "view", "XYZ "};
    for (const char *k : known)
        if (str2tag(k) == ttype)
            return true;
    return false;
}

namespace {

// Parses the directory by hand; false when it does not fit the data.
bool all_types_known(const Bytes &d, bool *known) {
    if (d.size() < 132)
        return false;
    uint64_t n = get32(d, 128);
    if (132 + 12 * n > d.size())
        return false;
    *known = true;
    for (uint64_t i = 0; i < n; i++) {
        uint64_t off = get32(d, 136 + 12 * i);
        if (off + 4 > d.size())
            return false;
        if (!is_known_type(get32(d, off)))
            *known = false;
    }
    return true;
}

bool make_oracle(const std::string &path, Bytes data, OracleProfile *out) {
    if (data.size() < 132 || get32(data, 36) != icmSig("acsp"))
        return false;
    bool known = false;
    if (!all_types_known(data, &known))
        return false;
    out->path = path;
    out->version = data[8];
    out->all_known = known;
    out->data = std::move(data);
    return true;
}

}  // namespace

const std::vector<OracleProfile> &package_profiles() {
    static std::vector<OracleProfile> profiles = [] {
        std::vector<OracleProfile> out;
        std::set<std::string> paths;
        FILE *f = popen("dpkg -L icc-profiles-free colord-data 2>/dev/null", "r");
        if (f != nullptr) {
            char line[4096];
            while (fgets(line, sizeof line, f) != nullptr) {
                std::string s(line);
                while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
                    s.pop_back();
                paths.insert(s);
            }
            pclose(f);
        }
        for (const std::string &path : paths) {
            struct stat st;
            if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 132 ||
                st.st_size > (64 << 20))
                continue;
            std::ifstream in(path, std::ios::binary);
            Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            OracleProfile o;
            if (make_oracle(path, std::move(data), &o))
                out.push_back(std::move(o));
        }
        return out;
    }();
    return profiles;
}

const std::vector<OracleProfile> &lcms_v2_profiles() {
    static std::vector<OracleProfile> profiles = [] {
        std::vector<OracleProfile> out;
        cmsToneCurve *gamma = cmsBuildGamma(nullptr, 2.2);
        struct Made {
            const char *name;
            cmsHPROFILE h;
        } made[] = {
            {"lcms:sRGB", cmsCreate_sRGBProfile()},
            {"lcms:Lab", cmsCreateLab2Profile(nullptr)},
            {"lcms:XYZ", cmsCreateXYZProfile()},
            {"lcms:gray", cmsCreateGrayProfile(cmsD50_xyY(), gamma)},
            {"lcms:inklimit", cmsCreateInkLimitingDeviceLink(cmsSigCmykData, 250)},
        };
        for (const Made &m : made) {
            if (m.h == nullptr)
                continue;
            cmsSetProfileVersion(m.h, 2.1);
            cmsUInt32Number n = 0;
            Bytes data;
            if (cmsSaveProfileToMem(m.h, nullptr, &n) && n > 0) {
                data.resize(n);
                if (!cmsSaveProfileToMem(m.h, data.data(), &n))
                    data.clear();
            }
            cmsCloseProfile(m.h);
            OracleProfile o;
            if (!data.empty() && data[8] == 2 && make_oracle(m.name, std::move(data), &o))
                out.push_back(std::move(o));
        }
        cmsFreeToneCurve(gamma);
        return out;
    }();
    return profiles;
}

std::vector<const OracleProfile *> v2_oracle_profiles() {
    std::vector<const OracleProfile *> out;
    for (const OracleProfile &o : package_profiles())
        if (o.version == 2)
            out.push_back(&o);
    for (const OracleProfile &o : lcms_v2_profiles())
        out.push_back(&o);
    return out;
}

LcmsProfile::LcmsProfile(const Bytes &b) : h(cmsOpenProfileFromMem(b.data(), (cmsUInt32Number)b.size())) {}

LcmsProfile::~LcmsProfile() {
    if (h != nullptr)
        cmsCloseProfile(h);
}

Bytes with_private_tag(const Bytes &profile, uint32_t sig, uint32_t ttype) {
    const uint32_t n = get32(profile, 128);
    const size_t old_end = 132 + 12 * (size_t)n;
    Bytes b(profile.begin(), profile.begin() + 128);
    b.resize(132 + 12 * ((size_t)n + 1), 0);
    put32(b, 128, n + 1);
    for (uint32_t i = 0; i < n; i++) {
        put32(b, 132 + 12 * i, get32(profile, 132 + 12 * i));
        put32(b, 136 + 12 * i, get32(profile, 136 + 12 * i) + 12);
        put32(b, 140 + 12 * i, get32(profile, 140 + 12 * i));
    }
    b.insert(b.end(), profile.begin() + old_end, profile.end());
    while (b.size() % 4 != 0)
        b.push_back(0);
    put32(b, 132 + 12 * n, sig);
    put32(b, 136 + 12 * n, (uint32_t)b.size());
    put32(b, 140 + 12 * n, 12);
    Bytes tag = tag_bytes(ttype, Bytes{1, 2, 3, 4});
    b.insert(b.end(), tag.begin(), tag.end());
    put32(b, 0, (uint32_t)b.size());
    return b;
}

}  // namespace icctest
