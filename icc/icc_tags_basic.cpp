// Curve, data, text, date and measurement tag types.
#include "icc/icc_internal.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <utility>

namespace {

bool wrong_type(const icmBase *p, const unsigned char *buf) {
    return (uint32_t)read_SInt32Number(buf) != p->tag_type;
}

bool printable(unsigned char c) {
    return c >= 0x20 && c <= 0x7e;
}

// Bytes in lines led by the offset of their first byte, up to column 75;
// at detail 1 only the first line.
void dump_bytes(std::ostream *op, const unsigned char *b, size_t n, bool ascii, int detail) {
    char tmp[24];
    size_t i = 0;
    while (i < n) {
        snprintf(tmp, sizeof tmp, "    0x%04x: ", (unsigned int)i);
        *op << tmp;
        for (int col = 11; i < n && col < 75; i++) {
            if (ascii && printable(b[i])) {
                *op << (char)b[i];
                col += 1;
            } else if (ascii) {
                snprintf(tmp, sizeof tmp, "\\%03o", b[i]);
                *op << tmp;
                col += 4;
            } else {
                snprintf(tmp, sizeof tmp, "%02x ", b[i]);
                *op << tmp;
                col += 3;
            }
        }
        if (i < n) {
            *op << "\n";
            if (detail < 2) {
                *op << "...\n";
                return;
            }
        }
    }
    if (n > 0)
        *op << "\n";
}

}  // namespace

int icm_interp1(const double *t, unsigned int n, double x, double *out) {
    if (n < 2) {  // nothing to interpolate between
        *out = n == 1 ? t[0] : x;
        return 0;
    }
    const double last = (double)(n - 1);
    double v = last * x;
    int rv = 0;
    if (!(v >= 0.0)) {  // NaN as well: it has no place in the table
        v = 0.0;
        rv = 1;
    } else if (v > last) {
        v = last;
        rv = 1;
    }
    unsigned int i = (unsigned int)v;
    if (i > n - 2)
        i = n - 2;
    *out = t[i] + (v - i) * (t[i + 1] - t[i]);
    return rv;
}

// ---------------------------------------------------------------- curve

namespace {

// More bucket entries than this means a table that zigzags across its whole
// range; its reverse structure would grow with the square of its size.
constexpr uint64_t kMaxReverseEntries = uint64_t(1) << 24;

void free_reverse(icmCurve *p) {
    if (p->rev_lists != nullptr) {
        for (int b = 0; b < p->rev_buckets; b++)
            free(p->rev_lists[b]);
        free(p->rev_lists);
    }
    p->rev_lists = nullptr;
    p->rev_buckets = 0;
}

// The bucket of a value, limited to the buckets there are (NaN to the first).
int bucket_of(const icmCurve *p, double x) {
    double t = (x - p->rev_min) / p->rev_width;
    if (!(t >= 0.0))
        return 0;
    if (t >= (double)(p->rev_buckets - 1))
        return p->rev_buckets - 1;
    return (int)t;
}

bool list_append(int **lp, int v) {
    int *l = *lp;
    if (l == nullptr) {
        l = static_cast<int *>(malloc(5 * sizeof(int)));
        if (l == nullptr)
            return false;
        l[0] = 5;
        l[1] = 2;
        *lp = l;
    } else if (l[1] >= l[0]) {
        int *nl = static_cast<int *>(realloc(l, 2 * (size_t)l[0] * sizeof(int)));
        if (nl == nullptr)
            return false;
        nl[0] *= 2;
        *lp = l = nl;
    }
    l[l[1]++] = v;
    return true;
}

int build_reverse(icmCurve *p) {
    p->rev_min = 1e300;
    p->rev_max = -1e300;
    for (unsigned int i = 0; i < p->count; i++) {
        if (p->data[i] < p->rev_min)
            p->rev_min = p->data[i];
        if (p->data[i] > p->rev_max)
            p->rev_max = p->data[i];
    }
    const uint64_t buckets = ((uint64_t)p->count + 2) / 2;
    bool ok = buckets <= INT_MAX;
    if (ok) {
        p->rev_buckets = (int)buckets;
        p->rev_width = (p->rev_max - p->rev_min) / (double)buckets;
        p->rev_lists = static_cast<int **>(calloc((size_t)buckets, sizeof(int *)));
        ok = p->rev_lists != nullptr;
    }
    // A flat table has no bucket width: its buckets stay empty and every
    // search takes the nearest entry.
    if (ok && p->rev_width > 0.0) {
        uint64_t entries = 0;
        for (unsigned int i = 0; i + 1 < p->count; i++) {
            int s = bucket_of(p, p->data[i]), e = bucket_of(p, p->data[i + 1]);
            entries += (uint64_t)(s > e ? s - e : e - s) + 1;
        }
        ok = entries <= kMaxReverseEntries;
        for (unsigned int i = 0; ok && i + 1 < p->count; i++) {
            int s = bucket_of(p, p->data[i]), e = bucket_of(p, p->data[i + 1]);
            if (s > e)
                std::swap(s, e);
            for (int b = s; ok && b <= e; b++)
                ok = list_append(&p->rev_lists[b], (int)i);
        }
    }
    if (!ok) {
        free_reverse(p);
        return icm_err(p->profile, 2, "icmCurve_alloc: malloc() of icmCurve reverse structures failed");
    }
    return 0;
}

int icmCurve_lookup_fwd(icmCurve *p, double *out, const double *in) {
    const double v = *in;
    switch (p->flag) {
    case icmCurveGamma:
        *out = v <= 0.0 ? 0.0 : std::pow(v, p->data[0]);
        return 0;
    case icmCurveSpec:
        return icm_interp1(p->data, p->count, v, out);
    default:
        *out = v;
        return 0;
    }
}

int icmCurve_lookup_bwd(icmCurve *p, double *out, const double *in) {
    const double v = *in;
    if (p->flag == icmCurveGamma) {
        *out = v <= 0.0 ? 0.0 : std::pow(v, 1.0 / p->data[0]);
        return 0;
    }
    if (p->flag != icmCurveSpec) {
        *out = v;
        return 0;
    }
    if (p->count < 2) {  // set so by a caller: no segment to search
        *out = p->count == 1 ? 0.0 : v;
        return p->count == 1 ? 1 : 0;
    }
    if (p->rev_lists == nullptr) {
        int rv = build_reverse(p);
        if (rv != 0)
            return rv;
    }
    const double *d = p->data;
    const double last = (double)(p->count - 1);
    if (p->rev_width > 0.0) {
        const int *l = p->rev_lists[bucket_of(p, v)];
        for (int k = 2; l != nullptr && k < l[1]; k++) {
            const int i = l[k];
            if ((d[i] <= v && v <= d[i + 1]) || (d[i + 1] <= v && v <= d[i])) {
                if (d[i] == d[i + 1])
                    *out = (i + 0.5) / last;
                else
                    *out = (i + (v - d[i]) / (d[i + 1] - d[i])) / last;
                return 0;
            }
        }
    }
    unsigned int best = 0;
    double best_diff = std::fabs(v - d[0]);
    for (unsigned int i = 1; i < p->count; i++) {
        double diff = std::fabs(v - d[i]);
        if (diff < best_diff) {
            best_diff = diff;
            best = i;
        }
    }
    *out = best / last;
    return 1;
}

unsigned int icmCurve_get_size(icmBase *pp) {
    return icm_clamp_size(12 + 2 * (uint64_t) static_cast<icmCurve *>(pp)->count);
}

int icmCurve_alloc(icmBase *pp) {
    auto *p = static_cast<icmCurve *>(pp);
    if (p->flag == icmCurveUndef)
        return icm_err(p->profile, 1, "icmCurve_alloc: flag not set");
    if (p->flag == icmCurveLin)
        p->count = 0;
    else if (p->flag == icmCurveGamma)
        p->count = 1;
    if (p->count > 0 && p->data == nullptr) {
        p->data = static_cast<double *>(calloc(p->count, sizeof(double)));
        if (p->data == nullptr)
            return icm_err(p->profile, 2, "icmCurve_alloc: malloc() of icmCurve data failed");
    }
    return 0;
}

int icmCurve_read(icmBase *pp, unsigned int len, uint64_t offset) {
    auto *p = static_cast<icmCurve *>(pp);
    icc *icp = p->profile;
    if (len < 12)
        return icm_err(icp, 1, "icmCurve_read: Tag too small to be legal");
    unsigned char *buf = nullptr;
    int rv = icm_read_tag_bytes(p, len, offset, &buf, "icmCurve_read", "read failed");
    if (rv != 0)
        return rv;
    if (wrong_type(p, buf)) {
        free(buf);
        return icm_err(icp, 1, "icmCurve_read: Wrong tag type for icmCurve");
    }
    // The entries must lie inside the tag before room is made for them.
    const unsigned int count = read_UInt32Number(buf + 8);
    if (count == 1 && len < 14) {
        free(buf);
        return icm_err(icp, 1, "icmCurve_read: Data too short to curve gamma");
    }
    if (count > 1 && 12 + 2 * (uint64_t)count > len) {
        free(buf);
        return icm_err(icp, 1, "icmCurve_read: Data too short to curve values");
    }
    // A second read replaces the curve and what was built from it.
    free(p->data);
    p->data = nullptr;
    free_reverse(p);
    p->count = count;
    p->flag = count == 0 ? icmCurveLin : count == 1 ? icmCurveGamma : icmCurveSpec;
    if ((rv = p->allocate(p)) != 0) {
        free(buf);
        return rv;
    }
    if (p->flag == icmCurveGamma)
        p->data[0] = read_U8Fixed8Number(buf + 12);
    else
        for (unsigned int i = 0; i < count; i++)
            p->data[i] = read_DCS16Number(buf + 12 + 2 * (size_t)i);
    free(buf);
    return 0;
}

int icmCurve_write(icmBase *pp, uint64_t offset) {
    auto *p = static_cast<icmCurve *>(pp);
    icc *icp = p->profile;
    const uint64_t size = 12 + 2 * (uint64_t)p->count;
    unsigned char *buf = icm_stage(p, size, "icmCurve_write malloc() failed");
    if (buf == nullptr)
        return 2;
    write_SInt32Number((int)p->tag_type, buf);
    write_UInt32Number(p->count, buf + 8);
    int rv = 0;
    if (p->flag == icmCurveGamma) {
        if (p->count != 1)
            rv = icm_err(icp, 1, "icmCurve_write: Must be exactly 1 entry for Gamma");
        else if (write_U8Fixed8Number(p->data[0], buf + 12) != 0)
            rv = icm_err(icp, 1, "icmCurve_write: write_U8Fixed8umber(%f) failed", p->data[0]);
    } else if (p->flag == icmCurveSpec) {
        if (p->count < 2)
            rv = icm_err(icp, 1, "icmCurve_write: Must be 2 or more entries for Specified curve");
        for (unsigned int i = 0; rv == 0 && i < p->count; i++)
            if (write_DCS16Number(p->data[i], buf + 12 + 2 * (size_t)i) != 0)
                rv = icm_err(icp, 1, "icmCurve_write: write_UInt16umber(%f) failed", p->data[i]);
    }
    if (rv == 0)
        rv = icm_write_tag_bytes(p, buf, (unsigned int)size, offset, "icmCurve_write write failed");
    free(buf);
    return rv;
}

void icmCurve_dump(icmBase *pp, std::ostream *op, int detail) {
    auto *p = static_cast<icmCurve *>(pp);
    if (detail <= 0)
        return;
    *op << "Curve:\n";
    if (p->flag == icmCurveLin) {
        *op << "  Curve is linear\n";
    } else if (p->flag == icmCurveGamma && p->data != nullptr) {
        icm_dump_line(op, "  Curve is gamma of %f\n", p->data[0]);
    } else if (p->flag == icmCurveSpec) {
        *op << "  No. elements = " << p->count << "\n";
        if (detail >= 2 && p->data != nullptr)
            for (unsigned int i = 0; i < p->count; i++)
                icm_dump_line(op, "    %3u:  %f\n", i, p->data[i]);
    }
}

void icmCurve_delete(icmBase *pp) {
    auto *p = static_cast<icmCurve *>(pp);
    free_reverse(p);
    free(p->data);
    free(p);
}

}  // namespace

icmBase *new_icmCurve(icc *icp) {
    auto *p = static_cast<icmCurve *>(icm_new_tag(icp, sizeof(icmCurve), icmSig("curv")));
    if (p == nullptr)
        return nullptr;
    p->get_size = icmCurve_get_size;
    p->read = icmCurve_read;
    p->write = icmCurve_write;
    p->del = icmCurve_delete;
    p->dump = icmCurve_dump;
    p->allocate = icmCurve_alloc;
    p->flag = icmCurveUndef;
    p->lookup_fwd = icmCurve_lookup_fwd;
    p->lookup_bwd = icmCurve_lookup_bwd;
    return p;
}

// ---------------------------------------------------------------- data

namespace {

unsigned int icmData_get_size(icmBase *pp) {
    return icm_clamp_size(12 + (uint64_t) static_cast<icmData *>(pp)->count);
}

int icmData_alloc(icmBase *pp) {
    auto *p = static_cast<icmData *>(pp);
    if (p->count > 0 && p->data == nullptr) {
        p->data = static_cast<unsigned char *>(calloc(p->count, 1));
        if (p->data == nullptr)
            return icm_err(p->profile, 2, "icmData_alloc: malloc() of icmData data failed");
    }
    return 0;
}

int icmData_read(icmBase *pp, unsigned int len, uint64_t offset) {
    auto *p = static_cast<icmData *>(pp);
    icc *icp = p->profile;
    if (len < 12)
        return icm_err(icp, 1, "icmData_read: Tag too small to be legal");
    unsigned char *buf = nullptr;
    int rv = icm_read_tag_bytes(p, len, offset, &buf, "icmData_read", "read failed");
    if (rv != 0)
        return rv;
    if (wrong_type(p, buf)) {
        free(buf);
        return icm_err(icp, 1, "icmData_read: Wrong tag type for icmData");
    }
    const unsigned int flag = read_UInt32Number(buf + 8);
    if (flag > 1) {
        free(buf);
        return icm_err(icp, 1, "icmData_read: Unknown flag value 0x%x", flag);
    }
    free(p->data);
    p->data = nullptr;
    p->flag = (int)flag;
    const unsigned int n = len - 12;
    p->count = n;
    // ASCII data is kept NUL-terminated; one is added when the tag has none.
    if (n > 0 && p->flag == icmDataAscii && memchr(buf + 12, 0, n) == nullptr)
        p->count++;
    if ((rv = p->allocate(p)) != 0) {
        free(buf);
        return rv;
    }
    if (n > 0) {
        memcpy(p->data, buf + 12, n);
        if (p->flag == icmDataAscii)
            p->data[p->count - 1] = 0;
    }
    free(buf);
    return 0;
}

int icmData_write(icmBase *pp, uint64_t offset) {
    auto *p = static_cast<icmData *>(pp);
    icc *icp = p->profile;
    const uint64_t size = 12 + (uint64_t)p->count;
    unsigned char *buf = icm_stage(p, size, "icmData_write malloc() failed");
    if (buf == nullptr)
        return 2;
    int rv = 0;
    if (p->flag != icmDataAscii && p->flag != icmDataBinary) {
        rv = icm_err(icp, 1, "icmData_write: Unknown Data Flag value");
    } else {
        write_SInt32Number((int)p->tag_type, buf);
        write_UInt32Number((unsigned int)p->flag, buf + 8);
        if (p->data != nullptr) {
            if (p->flag == icmDataAscii && memchr(p->data, 0, p->count) == nullptr)
                rv = icm_err(icp, 1, "icmData_write: ASCII is not null terminated");
            else
                memcpy(buf + 12, p->data, p->count);
        }
    }
    if (rv == 0)
        rv = icm_write_tag_bytes(p, buf, (unsigned int)size, offset, "icmData_write write failed");
    free(buf);
    return rv;
}

void icmData_dump(icmBase *pp, std::ostream *op, int detail) {
    auto *p = static_cast<icmData *>(pp);
    if (detail <= 0)
        return;
    *op << "Data:\n";
    const bool ascii = p->flag == icmDataAscii;
    if (ascii)
        *op << "  ASCII data\n";
    else if (p->flag == icmDataBinary)
        *op << "  Binary data\n";
    *op << "  No. elements = " << p->count << "\n";
    if (p->data != nullptr) {
        // The NUL that ends ASCII data is not shown.
        size_t n = ascii && p->count > 0 ? p->count - 1 : p->count;
        dump_bytes(op, p->data, n, ascii, detail);
    }
}

void icmData_delete(icmBase *pp) {
    auto *p = static_cast<icmData *>(pp);
    free(p->data);
    free(p);
}

}  // namespace

icmBase *new_icmData(icc *icp) {
    auto *p = static_cast<icmData *>(icm_new_tag(icp, sizeof(icmData), icmSig("data")));
    if (p == nullptr)
        return nullptr;
    p->get_size = icmData_get_size;
    p->read = icmData_read;
    p->write = icmData_write;
    p->del = icmData_delete;
    p->dump = icmData_dump;
    p->allocate = icmData_alloc;
    p->flag = -1;
    return p;
}

// ---------------------------------------------------------------- text

namespace {

unsigned int icmText_get_size(icmBase *pp) {
    return icm_clamp_size(8 + (uint64_t) static_cast<icmText *>(pp)->count);
}

int icmText_alloc(icmBase *pp) {
    auto *p = static_cast<icmText *>(pp);
    if (p->count > 0 && p->data == nullptr) {
        p->data = static_cast<char *>(calloc(p->count, 1));
        if (p->data == nullptr)
            return icm_err(p->profile, 2, "icmText_alloc: malloc() of icmText data failed");
    }
    return 0;
}

int icmText_read(icmBase *pp, unsigned int len, uint64_t offset) {
    auto *p = static_cast<icmText *>(pp);
    icc *icp = p->profile;
    if (len < 8)
        return icm_err(icp, 1, "icmText_read: Tag too short to be legal");
    unsigned char *buf = nullptr;
    int rv = icm_read_tag_bytes(p, len, offset, &buf, "icmText_read", "read failed");
    if (rv != 0)
        return rv;
    if (wrong_type(p, buf)) {
        free(buf);
        return icm_err(icp, 1, "icmText_read: Wrong tag type for icmText");
    }
    free(p->data);
    p->data = nullptr;
    const unsigned int n = len - 8;
    p->count = n;
    if (n > 0 && memchr(buf + 8, 0, n) == nullptr)
        p->count++;
    if ((rv = p->allocate(p)) != 0) {
        free(buf);
        return rv;
    }
    if (n > 0) {
        memcpy(p->data, buf + 8, n);
        p->data[p->count - 1] = 0;
    }
    free(buf);
    return 0;
}

int icmText_write(icmBase *pp, uint64_t offset) {
    auto *p = static_cast<icmText *>(pp);
    const uint64_t size = 8 + (uint64_t)p->count;
    unsigned char *buf = icm_stage(p, size, "icmText_write malloc() failed");
    if (buf == nullptr)
        return 2;
    int rv = 0;
    write_SInt32Number((int)p->tag_type, buf);
    if (p->data != nullptr) {
        if (memchr(p->data, 0, p->count) == nullptr)
            rv = icm_err(p->profile, 1, "icmText_write: text is not null terminated");
        else
            memcpy(buf + 8, p->data, p->count);
    }
    if (rv == 0)
        rv = icm_write_tag_bytes(p, buf, (unsigned int)size, offset, "icmText_write write failed");
    free(buf);
    return rv;
}

void icmText_dump(icmBase *pp, std::ostream *op, int detail) {
    auto *p = static_cast<icmText *>(pp);
    if (detail <= 0)
        return;
    *op << "Text:\n";
    *op << "  No. chars = " << p->count << "\n";
    if (p->data != nullptr && p->count > 0)
        dump_bytes(op, reinterpret_cast<const unsigned char *>(p->data), p->count - 1, true, detail);
}

void icmText_delete(icmBase *pp) {
    auto *p = static_cast<icmText *>(pp);
    free(p->data);
    free(p);
}

}  // namespace

icmBase *new_icmText(icc *icp) {
    auto *p = static_cast<icmText *>(icm_new_tag(icp, sizeof(icmText), icmSig("text")));
    if (p == nullptr)
        return nullptr;
    p->get_size = icmText_get_size;
    p->read = icmText_read;
    p->write = icmText_write;
    p->del = icmText_delete;
    p->dump = icmText_dump;
    p->allocate = icmText_alloc;
    return p;
}

// ---------------------------------------------------------------- date

namespace {

// Date and measurement hold no arrays: nothing to allocate, the object alone
// to free.
int no_alloc(icmBase *) {
    return 0;
}

void free_object(icmBase *p) {
    free(p);
}

unsigned int icmDateTimeNumber_get_size(icmBase *) {
    return 20;
}

int icmDateTimeNumber_read(icmBase *pp, unsigned int len, uint64_t offset) {
    auto *p = static_cast<icmDateTimeNumber *>(pp);
    icc *icp = p->profile;
    if (len < 20)
        return icm_err(icp, 1, "icmDateTimeNumber_read: Tag too small to be legal");
    unsigned char *buf = nullptr;
    int rv = icm_read_tag_bytes(p, len, offset, &buf, "icmDateTimeNumber_read", "read failed");
    if (rv != 0)
        return rv;
    if (wrong_type(p, buf))
        rv = icm_err(icp, 1, "icmDateTimeNumber_read: Wrong tag type for icmDateTimeNumber");
    else if (read_DateTimeNumber(p, buf + 8) != 0)
        rv = icm_err(icp, 1, "icmDateTimeNumber_read: Corrupted DateTime");
    free(buf);
    return rv;
}

int icmDateTimeNumber_write(icmBase *pp, uint64_t offset) {
    auto *p = static_cast<icmDateTimeNumber *>(pp);
    unsigned char *buf = icm_stage(p, 20, "icmDateTimeNumber_write malloc() failed");
    if (buf == nullptr)
        return 2;
    write_SInt32Number((int)p->tag_type, buf);
    int rv;
    if (write_DateTimeNumber(p, buf + 8) != 0)
        rv = icm_err(p->profile, 1, "icmDateTimeNumber_write: write_DateTimeNumber() failed");
    else
        rv = icm_write_tag_bytes(p, buf, 20, offset, "icmDateTimeNumber_write write failed");
    free(buf);
    return rv;
}

void icmDateTimeNumber_dump(icmBase *pp, std::ostream *op, int detail) {
    if (detail <= 0)
        return;
    *op << "DateTimeNumber:\n";
    *op << "  Date = " << DateTimeNumber2str(static_cast<icmDateTimeNumber *>(pp)) << "\n";
}

}  // namespace

icmBase *new_icmDateTimeNumber(icc *icp) {
    auto *p = static_cast<icmDateTimeNumber *>(
        icm_new_tag(icp, sizeof(icmDateTimeNumber), icmSig("dtim")));
    if (p == nullptr)
        return nullptr;
    p->get_size = icmDateTimeNumber_get_size;
    p->read = icmDateTimeNumber_read;
    p->write = icmDateTimeNumber_write;
    p->del = free_object;
    p->dump = icmDateTimeNumber_dump;
    p->allocate = no_alloc;
    icmDateTimeNumber_set_current(p);
    return p;
}

// ---------------------------------------------------------------- measurement

namespace {

unsigned int icmMeasurement_get_size(icmBase *) {
    return 36;
}

int icmMeasurement_read(icmBase *pp, unsigned int len, uint64_t offset) {
    auto *p = static_cast<icmMeasurement *>(pp);
    icc *icp = p->profile;
    if (len < 36)
        return icm_err(icp, 1, "icmMeasurement_read: Tag too small to be legal");
    unsigned char *buf = nullptr;
    int rv = icm_read_tag_bytes(p, len, offset, &buf, "icmMeasurement_read", "read failed");
    if (rv != 0)
        return rv;
    if (wrong_type(p, buf)) {
        free(buf);
        return icm_err(icp, 1, "icmMeasurement_read: Wrong tag type for icmMeasurement");
    }
    p->observer = read_SInt32Number(buf + 8);
    read_XYZNumber(&p->backing, buf + 12);
    p->geometry = read_SInt32Number(buf + 24);
    p->flare = read_U16Fixed16Number(buf + 28);
    p->illuminant = read_SInt32Number(buf + 32);
    free(buf);
    return 0;
}

int icmMeasurement_write(icmBase *pp, uint64_t offset) {
    auto *p = static_cast<icmMeasurement *>(pp);
    icc *icp = p->profile;
    unsigned char *buf = icm_stage(p, 36, "icmMeasurement_write malloc() failed");
    if (buf == nullptr)
        return 2;
    write_SInt32Number((int)p->tag_type, buf);
    write_SInt32Number(p->observer, buf + 8);
    write_SInt32Number(p->geometry, buf + 24);
    write_SInt32Number(p->illuminant, buf + 32);
    int rv;
    if ((rv = write_XYZNumber(&p->backing, buf + 12)) != 0)
        rv = icm_err(icp, rv, "icmMeasurement, backing: write_XYZNumber error");
    else if ((rv = write_U16Fixed16Number(p->flare, buf + 28)) != 0)
        rv = icm_err(icp, rv, "icmMeasurementa_write, flare: write_U16Fixed16Number() failed");
    else
        rv = icm_write_tag_bytes(p, buf, 36, offset, "icmMeasurement_write write failed");
    free(buf);
    return rv;
}

void icmMeasurement_dump(icmBase *pp, std::ostream *op, int detail) {
    auto *p = static_cast<icmMeasurement *>(pp);
    if (detail <= 0)
        return;
    *op << "Measurement:\n";
    *op << "  Standard Observer = " << observer2str(p->observer) << "\n";
    *op << "  XYZ for Measurement Backing = " << XYZ2str(&p->backing) << "\n";
    *op << "  Measurement Geometry = " << geometry2str(p->geometry) << "\n";
    *op << "  Measurement Flare = " << flare2str(p->flare) << "\n";
    *op << "  Standard Illuminant = " << illuminant2str(p->illuminant) << "\n";
}

// A value's text from its table, else "Unrecognized - 0x..." in the caller's
// buffer.
template <size_t N>
const char *value_text(const char *const (&names)[N], int v, char (&unknown)[40]) {
    if (v >= 0 && (size_t)v < N)
        return names[v];
    snprintf(unknown, sizeof unknown, "Unrecognized - 0x%x", (unsigned int)v);
    return unknown;
}

}  // namespace

icmBase *new_icmMeasurement(icc *icp) {
    auto *p = static_cast<icmMeasurement *>(icm_new_tag(icp, sizeof(icmMeasurement), icmSig("meas")));
    if (p == nullptr)
        return nullptr;
    p->get_size = icmMeasurement_get_size;
    p->read = icmMeasurement_read;
    p->write = icmMeasurement_write;
    p->del = free_object;
    p->dump = icmMeasurement_dump;
    p->allocate = no_alloc;
    return p;
}

const char *observer2str(int observer) {
    static const char *const names[] = {"Unknown", "1931 Two Degrees", "1964 Ten Degrees"};
    static char unknown[40];
    return value_text(names, observer, unknown);
}

const char *geometry2str(int geometry) {
    static const char *const names[] = {"Unknown", "0/45 or 45/0", "0/d or d/0"};
    static char unknown[40];
    return value_text(names, geometry, unknown);
}

const char *illuminant2str(int illuminant) {
    static const char *const names[] = {"Unknown", "D50", "D65", "D93", "F2",
                                        "D55",     "A",   "Equi-Power(E)", "F8"};
    static char unknown[40];
    return value_text(names, illuminant, unknown);
}

const char *flare2str(double flare) {
    static char buf[64];
    snprintf(buf, sizeof buf, "%5.1f%%", flare * 100.0);
    return buf;
}

const icmTypeCreator icm_basic_creators[] = {
    {icmSig("curv"), new_icmCurve},
    {icmSig("data"), new_icmData},
    {icmSig("text"), new_icmText},
    {icmSig("dtim"), new_icmDateTimeNumber},
    {icmSig("meas"), new_icmMeasurement},
    {0, nullptr},
};
