// Seeds for the fuzz-style test: profiles of array tags written by the library.
// The array types keep no count fields of their own (the tag size gives it).
#include "fuzz_framework.h"

namespace {

using iccfuzz::Bytes;

template <class T>
T *add(icc *p, const char *sig, const char *type, unsigned int count) {
    auto *t = static_cast<T *>(p->add_tag(p, str2tag(sig), str2tag(type)));
    if (t == nullptr)
        return nullptr;
    t->count = count;
    t->allocate(t);
    return t;
}

Bytes every_array_type() {
    icc *p = new_icc();
    p->header->deviceClass = icmSig("zntu");
    p->header->colorSpace = icmSig("RGB ");
    p->header->pcs = icmSig("XYZ ");
    Bytes out;
    auto *u8 = add<icmUInt8Array>(p, "zzz1", "ui08", 7);
    auto *u16 = add<icmUInt16Array>(p, "zzz2", "ui16", 3);
    auto *u32 = add<icmUInt32Array>(p, "zzz3", "ui32", 2);
    auto *u64 = add<icmUInt64Array>(p, "zzz4", "ui64", 2);
    auto *uf = add<icmU16Fixed16Array>(p, "zzz5", "uf32", 3);
    auto *sf = add<icmS15Fixed16Array>(p, "chad", "sf32", 9);
    auto *wt = add<icmXYZArray>(p, "wtpt", "XYZ ", 1);
    if (u8 && u16 && u32 && u64 && uf && sf && wt) {
        for (unsigned int i = 0; i < 7; i++)
            u8->data[i] = i * 37;
        for (unsigned int i = 0; i < 3; i++)
            u16->data[i] = 65535 - i;
        u32->data[1] = 0xFFFFFFFFu;
        u64->data[0] = icmUint64{1, 2};
        uf->data[2] = 65535.5;
        for (unsigned int i = 0; i < 9; i++)
            sf->data[i] = -1.5 + i * 0.25;
        wt->data[0] = icmXYZNumber{0.9642, 1.0, 0.8249};
        if (p->link_tag(p, icmSig("lumi"), icmSig("wtpt")) != nullptr)
            out = icctest::write_profile(p);
    }
    p->del(p);
    return out;
}

Bytes empty_profile() {
    icc *p = new_icc();
    Bytes out = icctest::write_profile(p);
    p->del(p);
    return out;
}

}  // namespace

ICC_FUZZ_SEED("written: every array type", every_array_type);
ICC_FUZZ_SEED("written: no tags", empty_profile);
