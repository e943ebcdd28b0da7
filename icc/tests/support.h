// Test helpers: memory streams, hand-built profile bytes, the oracle
// profiles of the installed packages and LittleCMS.
#ifndef ZENTU_ICC_TESTS_SUPPORT_H
#define ZENTU_ICC_TESTS_SUPPORT_H

#include "icc/icc.h"

#include <cstdint>
#include <istream>
#include <memory>
#include <streambuf>
#include <string>
#include <vector>

namespace icctest {

using Bytes = std::vector<uint8_t>;

// Stream buffer over a fixed block: reads and writes in place, never grows.
class BlockBuf : public std::streambuf {
public:
    BlockBuf(uint8_t *data, size_t size);

protected:
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override;
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;
};

// A stream over a block of memory.
class MemStream {
public:
    // A view of the caller's bytes, which must outlive the stream.
    static std::unique_ptr<MemStream> view(const uint8_t *data, size_t size);
    static std::unique_ptr<MemStream> copy(const Bytes &data);
    static std::unique_ptr<MemStream> zeroed(size_t size);
    MemStream(const MemStream &) = delete;
    MemStream &operator=(const MemStream &) = delete;
    std::iostream *io() { return &io_; }
    Bytes bytes() const { return Bytes(data_, data_ + size_); }

private:
    MemStream(Bytes owned, uint8_t *view, size_t size);
    Bytes owned_;
    uint8_t *data_;
    size_t size_;
    BlockBuf buf_;
    std::iostream io_;
};

// A profile object with the stream it was read from.
struct Loaded {
    std::unique_ptr<MemStream> stream;
    icc *p = nullptr;
    int rv = 0;
    Loaded() = default;
    Loaded(Loaded &&o) noexcept : stream(std::move(o.stream)), p(o.p), rv(o.rv) { o.p = nullptr; }
    ~Loaded() {
        if (p != nullptr)
            p->del(p);
    }
};
Loaded load(const Bytes &data);  // keeps its own copy of the bytes

// Writes the profile into a zero-filled block of get_size bytes; the code of
// get_size (0 size) or write goes to *rv.
Bytes write_profile(icc *p, int *rv = nullptr);

void put16(Bytes &b, size_t at, unsigned int v);
void put32(Bytes &b, size_t at, uint32_t v);
uint32_t get32(const Bytes &b, size_t at);

// A tag of a given type: its signature, 4 reserved bytes and the payload.
Bytes tag_bytes(uint32_t ttype, const Bytes &payload);

// Hand-built profile bytes, independent of the library.
struct RawTag {
    uint32_t sig;
    Bytes data;
    int same_as = -1;  // >= 0: entry points at that earlier entry's data
};
struct RawProfile {
    uint32_t deviceClass = icmSig("mntr");
    uint32_t colorSpace = icmSig("RGB ");
    uint32_t pcs = icmSig("XYZ ");
    uint8_t version[2] = {0x02, 0x10};
    unsigned int date[6] = {2004, 6, 15, 12, 30, 45};
    std::vector<RawTag> tags;
    Bytes build() const;  // tags at multiples of 4 in order
};

// Profile files of the installed packages, sorted by what they contain.
struct OracleProfile {
    std::string path;
    Bytes data;
    int version;       // byte 8
    bool all_known;    // every tag type among the library's 23
};
const std::vector<OracleProfile> &package_profiles();
// Version 2 profiles written by LittleCMS now (sRGB, gray, Lab, XYZ, ...).
const std::vector<OracleProfile> &lcms_v2_profiles();
bool is_known_type(uint32_t ttype);  // the test's own list of the 23
// A lookup object, freed with its del.
struct LuDel {
    void operator()(iccLuBase *p) const { p->del(p); }
};
using Lu = std::unique_ptr<iccLuBase, LuDel>;

// The version 2 profiles of both sets.
std::vector<const OracleProfile *> v2_oracle_profiles();

// A profile opened by LittleCMS from bytes (h is its cmsHPROFILE; null when
// it does not open), closed with the object.
struct LcmsProfile {
    void *h;
    explicit LcmsProfile(const Bytes &b);
    ~LcmsProfile();
    LcmsProfile(const LcmsProfile &) = delete;
    LcmsProfile &operator=(const LcmsProfile &) = delete;
};

// The bytes with one private tag of an unknown type added at the end.
Bytes with_private_tag(const Bytes &profile, uint32_t sig, uint32_t ttype);

}  // namespace icctest

#endif
