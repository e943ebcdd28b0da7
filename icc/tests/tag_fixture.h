// A profile object over a stream that holds one tag, for the tests of the
// curve, data, text, date, measurement and Lut types.
#ifndef ZENTU_ICC_TESTS_TAG_FIXTURE_H
#define ZENTU_ICC_TESTS_TAG_FIXTURE_H

#include "support.h"

#include <sstream>
#include <string>

namespace icctest {

struct OneTag {
    icc *p = new_icc();
    std::unique_ptr<MemStream> ms;
    icmBase *obj = nullptr;

    // The tag's bytes at offset 0, and an object made by create.
    OneTag(const Bytes &data, icmBase *(*create)(icc *)) : ms(MemStream::copy(data)) {
        p->stream = ms->io();
        obj = create(p);
    }
    ~OneTag() {
        if (obj != nullptr)
            obj->del(obj);
        p->stream = nullptr;
        p->del(p);
    }
    OneTag(const OneTag &) = delete;
    OneTag &operator=(const OneTag &) = delete;

    int read() { return obj->read(obj, (unsigned int)ms->bytes().size(), 0); }
    int read(unsigned int len) { return obj->read(obj, len, 0); }
    std::string text() const { return p->error_text; }

    template <class T>
    T *as() {
        return static_cast<T *>(obj);
    }

    // Writes the object into a fresh block of get_size bytes; the bytes, or
    // an empty block when the write fails (*rv tells).
    Bytes write(int *rv = nullptr) {
        auto out = MemStream::zeroed(obj->get_size(obj));
        p->stream = out->io();
        int r = obj->write(obj, 0);
        p->stream = ms->io();
        if (rv != nullptr)
            *rv = r;
        return r == 0 ? out->bytes() : Bytes();
    }

    std::string dump(int detail) {
        std::ostringstream os;
        obj->dump(obj, &os, detail);
        return os.str();
    }
};

// Big-endian helpers for building tag payloads.
inline void push16(Bytes &b, unsigned int v) {
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}

inline void push32(Bytes &b, uint32_t v) {
    for (int i = 24; i >= 0; i -= 8)
        b.push_back(uint8_t(v >> i));
}

}  // namespace icctest

#endif
