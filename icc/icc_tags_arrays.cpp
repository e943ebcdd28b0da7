// The seven array tag types. They differ only in their element: how it is
// held, encoded and shown, and in a few message words; one set of templates
// does the work and each type names its routines after itself.
#include "icc/icc_internal.h"

#include <cstdio>
#include <cstdlib>
#include <ostream>

namespace {

struct UInt8Kind {
    using Obj = icmUInt8Array;
    using Elem = unsigned int;
    static constexpr const char *name = "icmUInt8Array";
    static constexpr unsigned int fsize = 1;
    static constexpr const char *read_fail = "Input failed";
    static constexpr const char *write_fail = "icmUInt8Array_write failed";
    static constexpr const char *title = "UInt8Array:\n";
    static constexpr const char *elem_fail = "icmUInt8Array_write: write_UInt8umber() failed";
    static void decode(const unsigned char *b, Elem *e) { *e = read_UInt8Number(b); }
    static int encode(const Elem *e, unsigned char *b) { return write_UInt8Number(*e, b); }
    static void dump(std::ostream *op, unsigned int i, const Elem *e) {
        icm_dump_line(op, "    %u:  %u\n", i, *e);
    }
};

struct UInt16Kind {
    using Obj = icmUInt16Array;
    using Elem = unsigned int;
    static constexpr const char *name = "icmUInt16Array";
    static constexpr unsigned int fsize = 2;
    static constexpr const char *read_fail = "Input failed";
    static constexpr const char *write_fail = "icmUInt16Array_write failed";
    static constexpr const char *title = "UInt16Array:\n";
    static constexpr const char *elem_fail = "icmUInt16Array_write: write_UInt16umber() failed";
    static void decode(const unsigned char *b, Elem *e) { *e = read_UInt16Number(b); }
    static int encode(const Elem *e, unsigned char *b) { return write_UInt16Number(*e, b); }
    static void dump(std::ostream *op, unsigned int i, const Elem *e) {
        icm_dump_line(op, "    %u:  %u\n", i, *e);
    }
};

struct UInt32Kind {
    using Obj = icmUInt32Array;
    using Elem = unsigned int;
    static constexpr const char *name = "icmUInt32Array";
    static constexpr unsigned int fsize = 4;
    static constexpr const char *read_fail = "read failed";
    static constexpr const char *write_fail = "icmUInt32Array_write write failed";
    static constexpr const char *title = "UInt32Array:\n";
    static constexpr const char *elem_fail = "icmUInt32Array_write: write_UInt32umber() failed";
    static void decode(const unsigned char *b, Elem *e) { *e = read_UInt32Number(b); }
    static int encode(const Elem *e, unsigned char *b) { return write_UInt32Number(*e, b); }
    static void dump(std::ostream *op, unsigned int i, const Elem *e) {
        icm_dump_line(op, "    %u:  %u\n", i, *e);
    }
};

struct UInt64Kind {
    using Obj = icmUInt64Array;
    using Elem = icmUint64;
    static constexpr const char *name = "icmUInt64Array";
    static constexpr unsigned int fsize = 8;
    static constexpr const char *read_fail = "read failed";
    static constexpr const char *write_fail = "icmUInt64Array_write write failed";
    static constexpr const char *title = "UInt64Array:\n";
    static constexpr const char *elem_fail = "icmUInt64Array_write: write_UInt64umber() failed";
    static void decode(const unsigned char *b, Elem *e) { *e = read_UInt64Number(b); }
    static int encode(const Elem *e, unsigned char *b) { return write_UInt64Number(e, b); }
    static void dump(std::ostream *op, unsigned int i, const Elem *e) {
        icm_dump_line(op, "    %u:  h=%u, l=%u\n", i, e->h, e->l);
    }
};

struct U16Fixed16Kind {
    using Obj = icmU16Fixed16Array;
    using Elem = double;
    static constexpr const char *name = "icmU16Fixed16Array";
    static constexpr unsigned int fsize = 4;
    static constexpr const char *read_fail = "read failed";
    static constexpr const char *write_fail = "icmU16Fixed16Array_write write failed";
    static constexpr const char *title = "U16Fixed16Array:\n";
    static constexpr const char *elem_fail =
        "icmU16Fixed16Array_write: write_U16Fixed16umber() failed";
    static void decode(const unsigned char *b, Elem *e) { *e = read_U16Fixed16Number(b); }
    static int encode(const Elem *e, unsigned char *b) { return write_U16Fixed16Number(*e, b); }
    static void dump(std::ostream *op, unsigned int i, const Elem *e) {
        icm_dump_line(op, "    %u:  %f\n", i, *e);
    }
};

struct S15Fixed16Kind {
    using Obj = icmS15Fixed16Array;
    using Elem = double;
    static constexpr const char *name = "icmS15Fixed16Array";
    static constexpr unsigned int fsize = 4;
    static constexpr const char *read_fail = "read failed";
    static constexpr const char *write_fail = "icmS15Fixed16Array_write write failed";
    static constexpr const char *title = "S15Fixed16Array:\n";
    static constexpr const char *elem_fail =
        "icmS15Fixed16Array_write: write_S15Fixed16umber() failed";
    static void decode(const unsigned char *b, Elem *e) { *e = read_S15Fixed16Number(b); }
    static int encode(const Elem *e, unsigned char *b) { return write_S15Fixed16Number(*e, b); }
    static void dump(std::ostream *op, unsigned int i, const Elem *e) {
        icm_dump_line(op, "    %u:  %f\n", i, *e);
    }
};

struct XYZKind {
    using Obj = icmXYZArray;
    using Elem = icmXYZNumber;
    static constexpr const char *name = "icmXYZArray";
    static constexpr unsigned int fsize = 12;
    static constexpr const char *read_fail = "read failed";
    static constexpr const char *write_fail = "icmXYZArray_write write failed";
    static constexpr const char *title = "XYZArray:\n";
    static constexpr const char *elem_fail = "icmXYZArray_write: write_XYZumber() failed";
    static void decode(const unsigned char *b, Elem *e) { read_XYZNumber(e, b); }
    static int encode(const Elem *e, unsigned char *b) { return write_XYZNumber(e, b); }
    static void dump(std::ostream *op, unsigned int i, const Elem *e) {
        icm_dump_line(op, "    %u:  %s\n", i, XYZ2str(e));
    }
};

template <class K>
uint64_t array_size(const typename K::Obj *p) {
    return 8 + (uint64_t)p->count * K::fsize;
}

template <class K>
unsigned int array_get_size(icmBase *pp) {
    return icm_clamp_size(array_size<K>(static_cast<typename K::Obj *>(pp)));
}

template <class K>
int array_alloc(icmBase *pp) {
    auto *p = static_cast<typename K::Obj *>(pp);
    if (p->count > 0 && p->data == nullptr) {
        p->data = static_cast<typename K::Elem *>(calloc(p->count, sizeof(typename K::Elem)));
        if (p->data == nullptr)
            return icm_err(p->profile, 2, "%s_alloc: malloc() of %s data failed", K::name, K::name);
    }
    return 0;
}

template <class K>
int array_read(icmBase *pp, unsigned int len, uint64_t offset) {
    auto *p = static_cast<typename K::Obj *>(pp);
    icc *icp = p->profile;
    if (len < 8)
        return icm_err(icp, 1, "%s_read: Tag too small to be legal", K::name);

    char func[64];
    snprintf(func, sizeof func, "%s_read", K::name);
    unsigned char *buf = nullptr;
    int rv = icm_read_tag_bytes(p, len, offset, &buf, func, K::read_fail);
    if (rv != 0)
        return rv;

    // A second read replaces the elements; data of another count must not stay.
    free(p->data);
    p->data = nullptr;
    p->count = (len - 8) / K::fsize;
    if ((rv = p->allocate(p)) != 0) {
        free(buf);
        return rv;
    }
    if ((uint32_t)read_SInt32Number(buf) != p->tag_type) {
        free(buf);
        return icm_err(icp, 1, "%s_read: Wrong tag type for %s", K::name, K::name);
    }
    for (unsigned int i = 0; i < p->count; i++)
        K::decode(buf + 8 + (size_t)i * K::fsize, &p->data[i]);
    free(buf);
    return 0;
}

template <class K>
int array_write(icmBase *pp, uint64_t offset) {
    auto *p = static_cast<typename K::Obj *>(pp);
    icc *icp = p->profile;
    uint64_t size = array_size<K>(p);

    char msg[80];
    snprintf(msg, sizeof msg, "%s_write malloc() failed", K::name);
    unsigned char *buf = icm_stage(p, size, msg);
    if (buf == nullptr)
        return 2;
    write_SInt32Number((int)p->tag_type, buf);
    write_SInt32Number(0, buf + 4);
    for (unsigned int i = 0; i < p->count; i++) {
        int rv = K::encode(&p->data[i], buf + 8 + (size_t)i * K::fsize);
        if (rv != 0) {
            free(buf);
            return icm_err(icp, rv, "%s", K::elem_fail);
        }
    }
    int rv = icm_write_tag_bytes(p, buf, (unsigned int)size, offset, K::write_fail);
    free(buf);
    return rv;
}

template <class K>
void array_dump(icmBase *pp, std::ostream *op, int detail) {
    auto *p = static_cast<typename K::Obj *>(pp);
    if (detail <= 0)
        return;
    *op << K::title;
    *op << "  No. elements = " << p->count << "\n";
    if (detail >= 2 && p->data != nullptr)
        for (unsigned int i = 0; i < p->count; i++)
            K::dump(op, i, &p->data[i]);
}

template <class K>
void array_delete(icmBase *pp) {
    auto *p = static_cast<typename K::Obj *>(pp);
    free(p->data);
    free(p);
}

}  // namespace

// Each type's routines under its own name, and its creation function.
#define ICM_ARRAY_TYPE(NAME, KIND, SIG)                                                   \
    static unsigned int NAME##_get_size(icmBase *p) { return array_get_size<KIND>(p); } \
    static int NAME##_read(icmBase *p, unsigned int len, uint64_t offset) {              \
        return array_read<KIND>(p, len, offset);                                          \
    }                                                                                     \
    static int NAME##_write(icmBase *p, uint64_t offset) { return array_write<KIND>(p, offset); } \
    static void NAME##_delete(icmBase *p) { array_delete<KIND>(p); }                      \
    static void NAME##_dump(icmBase *p, std::ostream *op, int detail) {                  \
        array_dump<KIND>(p, op, detail);                                                  \
    }                                                                                     \
    static int NAME##_alloc(icmBase *p) { return array_alloc<KIND>(p); }                 \
    icmBase *new_##NAME(icc *icp) {                                                       \
        auto *p = static_cast<NAME *>(icm_new_tag(icp, sizeof(NAME), icmSig(SIG)));       \
        if (p == nullptr)                                                                 \
            return nullptr;                                                               \
        p->get_size = NAME##_get_size;                                                    \
        p->read = NAME##_read;                                                            \
        p->write = NAME##_write;                                                          \
        p->del = NAME##_delete;                                                           \
        p->dump = NAME##_dump;                                                            \
        p->allocate = NAME##_alloc;                                                       \
        return p;                                                                         \
    }

ICM_ARRAY_TYPE(icmUInt8Array, UInt8Kind, "ui08")
ICM_ARRAY_TYPE(icmUInt16Array, UInt16Kind, "ui16")
ICM_ARRAY_TYPE(icmUInt32Array, UInt32Kind, "ui32")
ICM_ARRAY_TYPE(icmUInt64Array, UInt64Kind, "ui64")
ICM_ARRAY_TYPE(icmU16Fixed16Array, U16Fixed16Kind, "uf32")
ICM_ARRAY_TYPE(icmS15Fixed16Array, S15Fixed16Kind, "sf32")
ICM_ARRAY_TYPE(icmXYZArray, XYZKind, "XYZ ")

const icmTypeCreator icm_array_creators[] = {
    {icmSig("ui08"), new_icmUInt8Array},
    {icmSig("ui16"), new_icmUInt16Array},
    {icmSig("ui32"), new_icmUInt32Array},
    {icmSig("ui64"), new_icmUInt64Array},
    {icmSig("uf32"), new_icmU16Fixed16Array},
    {icmSig("sf32"), new_icmS15Fixed16Array},
    {icmSig("XYZ "), new_icmXYZArray},
    {0, nullptr},
};
