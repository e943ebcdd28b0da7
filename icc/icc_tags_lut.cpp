// Lut (8-bit and 16-bit) tag types: reading, writing, dumping, evaluation
// and table filling.
#include "icc/icc_internal.h"
#include "icc/icc_lutspaces.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>

uint64_t ipow(uint64_t base, unsigned int exp) {
    uint64_t r = 1;
    for (unsigned int i = 0; i < exp; i++) {
        if (base != 0 && r > UINT64_MAX / base)
            return UINT64_MAX;
        r *= base;
    }
    return r;
}

namespace {

constexpr uint32_t kLut8 = icmSig("mft1");
constexpr uint32_t kLut16 = icmSig("mft2");

uint64_t mul_sat(uint64_t a, uint64_t b) {
    return a != 0 && b > UINT64_MAX / a ? UINT64_MAX : a * b;
}

uint64_t add_sat(uint64_t a, uint64_t b) {
    return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

bool is_lut8(const icmLut *p) {
    return p->tag_type == kLut8;
}

// Numbers of values in the three tables; sizes too large for 64 bits
// saturate, so that they fail every comparison with a real length.
struct TableSizes {
    uint64_t in, clut, out;
};

TableSizes table_sizes(const icmLut *p) {
    TableSizes s;
    s.in = (uint64_t)p->input_entries * p->input_channels;
    s.clut = mul_sat(ipow(p->clut_points, p->input_channels), p->output_channels);
    s.out = (uint64_t)p->output_entries * p->output_channels;
    return s;
}

uint64_t tag_bytes(const icmLut *p) {
    TableSizes s = table_sizes(p);
    uint64_t values = add_sat(add_sat(s.in, s.clut), s.out);
    return is_lut8(p) ? add_sat(48, values) : add_sat(52, mul_sat(2, values));
}

// Sizes that the evaluations cannot work with: no channel to index by, no
// cell to interpolate in, or a table without two entries.
bool unusable_sizes(const icmLut *p) {
    return p->input_channels == 0 || p->output_channels == 0 || p->clut_points < 2 ||
           p->input_entries < 2 || p->output_entries < 2;
}

void set_strides(icmLut *p) {
    const unsigned int n = p->input_channels;
    p->grid_stride[n - 1] = p->output_channels;
    for (unsigned int e = n - 1; e-- > 0;)
        p->grid_stride[e] = p->grid_stride[e + 1] * p->clut_points;
    p->corner_offset[0] = 0;
    for (unsigned int e = 0; e < n; e++) {
        const unsigned int half = 1u << e;
        for (unsigned int k = 0; k < half; k++)
            p->corner_offset[half + k] = p->corner_offset[k] + p->grid_stride[e];
    }
}

void free_tables(icmLut *p) {
    free(p->input_table);
    free(p->clut_table);
    free(p->output_table);
    p->input_table = p->clut_table = p->output_table = nullptr;
}

double clamp01(double v) {
    if (!(v >= 0.0))
        return 0.0;
    return v > 1.0 ? 1.0 : v;
}

// Moves a grid index on by one point, the last input channel fastest.
void next_point(unsigned int *idx, unsigned int n, unsigned int points) {
    for (unsigned int e = n; e-- > 0;) {
        if (++idx[e] < points)
            return;
        idx[e] = 0;
    }
}

// ---------------------------------------------------------------- evaluation

int icmLut_nu_matrix(icmLut *p) {
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
            if (p->matrix[i][j] != (i == j ? 1.0 : 0.0))
                return 1;
    return 0;
}

int icmLut_lookup_matrix(icmLut *p, double *out, const double *in) {
    double t[3];
    for (int i = 0; i < 3; i++)
        t[i] = p->matrix[i][0] * in[0] + p->matrix[i][1] * in[1] + p->matrix[i][2] * in[2];
    for (int i = 0; i < 3; i++)
        out[i] = t[i];
    return 0;
}

int icmLut_lookup_input(icmLut *p, double *out, const double *in) {
    int rv = 0;
    for (unsigned int e = 0; e < p->input_channels; e++)
        rv |= icm_interp1(p->input_table + (size_t)e * p->input_entries, p->input_entries, in[e],
                          &out[e]);
    return rv;
}

int icmLut_lookup_output(icmLut *p, double *out, const double *in) {
    int rv = 0;
    for (unsigned int o = 0; o < p->output_channels; o++)
        rv |= icm_interp1(p->output_table + (size_t)o * p->output_entries, p->output_entries, in[o],
                          &out[o]);
    return rv;
}

// The CLUT cell holding the input: its base and each channel's fraction.
int locate_cell(const icmLut *p, const double *in, size_t *base, double *f) {
    const double last = (double)(p->clut_points - 1);
    size_t b = 0;
    int rv = 0;
    for (unsigned int e = 0; e < p->input_channels; e++) {
        double v = last * in[e];
        if (!(v >= 0.0)) {
            v = 0.0;
            rv = 1;
        } else if (v > last) {
            v = last;
            rv = 1;
        }
        unsigned int x = (unsigned int)v;
        if (x > p->clut_points - 2)
            x = p->clut_points - 2;
        b += (size_t)p->grid_stride[e] * x;
        f[e] = v - x;
    }
    *base = b;
    return rv;
}

void icmLut_clut_min_max(icmLut *p, double *min_pos, double *max_pos, int chan) {
    const unsigned int n = p->input_channels, m = p->output_channels;
    for (unsigned int e = 0; e < n; e++)
        min_pos[e] = max_pos[e] = 0.0;
    // A channel the Lut does not have leaves both positions at the origin.
    if (chan < -1 || chan >= (int)m || p->clut_table == nullptr || n > icmLutMaxChan)
        return;
    const double scale = 1.0 / (p->clut_points - 1);
    const uint64_t total = ipow(p->clut_points, n);
    unsigned int idx[icmLutMaxChan] = {};
    double lo = 1e6, hi = -1e6;
    const double *g = p->clut_table;
    for (uint64_t k = 0; k < total; k++, g += m) {
        double v = 0.0;
        if (chan >= 0) {
            v = g[chan];
        } else {
            for (unsigned int o = 0; o < m; o++)
                v += g[o];
        }
        if (v < lo) {
            lo = v;
            for (unsigned int e = 0; e < n; e++)
                min_pos[e] = idx[e] * scale;
        }
        if (v > hi) {
            hi = v;
            for (unsigned int e = 0; e < n; e++)
                max_pos[e] = idx[e] * scale;
        }
        next_point(idx, n, p->clut_points);
    }
}

}  // namespace

int icmLut_lookup_clut(icmLut *p, double *out, const double *in) {
    const unsigned int n = p->input_channels, m = p->output_channels;
    double f[icmLutMaxChan];
    size_t base;
    const int rv = locate_cell(p, in, &base, f);

    // Up to 8 inputs the weights fit here; more take them from the heap.
    double fixed[256];
    double *w = fixed;
    const size_t corners = size_t(1) << n;
    if (n > 8) {
        w = static_cast<double *>(malloc(corners * sizeof(double)));
        if (w == nullptr)
            return icm_err(p->profile, 2, "icmLut_lookup_clut: malloc() failed");
    }
    // Bit e of a corner's index stands for the upper grid point along e.
    w[0] = 1.0;
    for (unsigned int e = 0; e < n; e++) {
        const size_t half = size_t(1) << e;
        for (size_t k = 0; k < half; k++) {
            w[k + half] = w[k] * f[e];
            w[k] *= 1.0 - f[e];
        }
    }
    double t[icmLutMaxChan] = {};
    const double *cell = p->clut_table + base;
    for (size_t c = 0; c < corners; c++) {
        const double *g = cell + p->corner_offset[c];
        for (unsigned int o = 0; o < m; o++)
            t[o] += w[c] * g[o];
    }
    for (unsigned int o = 0; o < m; o++)
        out[o] = t[o];
    if (w != fixed)
        free(w);
    return rv;
}

int icmLut_lookup_clut_sx(icmLut *p, double *out, const double *in) {
    const unsigned int n = p->input_channels, m = p->output_channels;
    double f[icmLutMaxChan];
    size_t base;
    const int rv = locate_cell(p, in, &base, f);

    // Channels by falling fraction: the simplex walks from the cell's base
    // along the channel nearest its upper side first.
    unsigned int order[icmLutMaxChan] = {};
    for (unsigned int e = 0; e < n; e++) {
        unsigned int k = e;
        for (; k > 0 && f[order[k - 1]] < f[e]; k--)
            order[k] = order[k - 1];
        order[k] = e;
    }
    double t[icmLutMaxChan];
    const double *g = p->clut_table + base;
    double w = 1.0 - f[order[0]];
    for (unsigned int o = 0; o < m; o++)
        t[o] = w * g[o];
    for (unsigned int k = 0; k < n; k++) {
        g += p->grid_stride[order[k]];
        w = k + 1 < n ? f[order[k]] - f[order[k + 1]] : f[order[k]];
        for (unsigned int o = 0; o < m; o++)
            t[o] += w * g[o];
    }
    for (unsigned int o = 0; o < m; o++)
        out[o] = t[o];
    return rv;
}

// ---------------------------------------------------------------- table filling

namespace {

// Range of table entries of a colour space: from the given colour values,
// else the whole index space (for Lab in 16 bits, up to L 100).
void entry_range(bool lab16, icmLutSpaceFunc to_entry, const double *min, const double *max,
                 double *rmin, double *rmax) {
    for (unsigned int i = 0; i < icmLutMaxChan; i++) {
        rmin[i] = 0.0;
        rmax[i] = lab16 ? 65280.0 / 65535.0 : 1.0;
    }
    if (min != nullptr)
        to_entry(rmin, min);
    if (max != nullptr)
        to_entry(rmax, max);
}

}  // namespace

int icmLut_set_tables(icmLut *p, void *cntx, uint32_t insig, uint32_t outsig,
                      icmLutCallback infunc, const double *inmin, const double *inmax,
                      icmLutCallback clutfunc, const double *clutmin, const double *clutmax,
                      icmLutCallback outfunc) {
    icc *icp = p->profile;
    icmLutSpaceFunc in_from_index, in_to_entry, in_from_entry, out_to_entry, out_from_entry;
    if (icmLutSpaceConversion(insig, p->tag_type, icmLutIndexToSpace, &in_from_index) != 0)
        return icm_err(icp, 1, "icmLut_set_tables index to input colorspace function lookup failed");
    if (icmLutSpaceConversion(insig, p->tag_type, icmLutSpaceToEntry, &in_to_entry) != 0)
        return icm_err(icp, 1, "icmLut_set_tables input colorspace to table entry function lookup failed");
    if (icmLutSpaceConversion(insig, p->tag_type, icmLutEntryToSpace, &in_from_entry) != 0)
        return icm_err(icp, 1, "icmLut_set_tables table entry to input colorspace function lookup failed");
    if (icmLutSpaceConversion(outsig, p->tag_type, icmLutSpaceToEntry, &out_to_entry) != 0)
        return icm_err(icp, 1, "icmLut_set_tables output colorspace to table entry function lookup failed");
    if (icmLutSpaceConversion(outsig, p->tag_type, icmLutEntryToSpace, &out_from_entry) != 0)
        return icm_err(icp, 1, "icmLut_set_tables table entry to output colorspace function lookup failed");
    // Tables not made yet are made now rather than written through null.
    if (p->input_table == nullptr || p->clut_table == nullptr || p->output_table == nullptr) {
        int rv = p->allocate(p);
        if (rv != 0)
            return rv;
    }

    const unsigned int ni = p->input_channels, no = p->output_channels;
    const bool lut16 = !is_lut8(p);
    double imin[icmLutMaxChan], imax[icmLutMaxChan], omin[icmLutMaxChan], omax[icmLutMaxChan];
    entry_range(lut16 && insig == icmSig("Lab "), in_to_entry, inmin, inmax, imin, imax);
    entry_range(lut16 && outsig == icmSig("Lab "), out_to_entry, clutmin, clutmax, omin, omax);

    for (unsigned int i = 0; i < p->input_entries; i++) {
        double a[icmLutMaxChan] = {}, b[icmLutMaxChan] = {};
        for (unsigned int e = 0; e < ni; e++)
            a[e] = i / (p->input_entries - 1.0);
        in_from_index(a, a);
        if (infunc != nullptr)
            infunc(cntx, b, a);
        else
            std::copy(a, a + icmLutMaxChan, b);
        in_to_entry(b, b);
        for (unsigned int e = 0; e < ni; e++)
            p->input_table[(size_t)e * p->input_entries + i] =
                clamp01((b[e] - imin[e]) / (imax[e] - imin[e]));
    }

    const uint64_t points = ipow(p->clut_points, ni);
    unsigned int idx[icmLutMaxChan] = {};
    for (uint64_t k = 0; k < points; k++) {
        double a[icmLutMaxChan] = {}, b[icmLutMaxChan] = {};
        for (unsigned int e = 0; e < ni; e++)
            a[e] = imin[e] + idx[e] / (p->clut_points - 1.0) * (imax[e] - imin[e]);
        in_from_entry(a, a);
        if (clutfunc != nullptr)
            clutfunc(cntx, b, a);
        else
            std::copy(a, a + icmLutMaxChan, b);
        out_to_entry(b, b);
        for (unsigned int o = 0; o < no; o++)
            p->clut_table[k * no + o] = clamp01((b[o] - omin[o]) / (omax[o] - omin[o]));
        next_point(idx, ni, p->clut_points);
    }

    for (unsigned int i = 0; i < p->output_entries; i++) {
        double a[icmLutMaxChan] = {}, b[icmLutMaxChan] = {};
        for (unsigned int o = 0; o < no; o++)
            a[o] = omin[o] + i / (p->output_entries - 1.0) * (omax[o] - omin[o]);
        out_from_entry(a, a);
        if (outfunc != nullptr)
            outfunc(cntx, b, a);
        else
            std::copy(a, a + icmLutMaxChan, b);
        out_to_entry(b, b);
        for (unsigned int o = 0; o < no; o++)
            p->output_table[(size_t)o * p->output_entries + i] = clamp01(b[o]);
    }
    return 0;
}

// ---------------------------------------------------------------- the tag

namespace {

unsigned int icmLut_get_size(icmBase *pp) {
    return icm_clamp_size(tag_bytes(static_cast<icmLut *>(pp)));
}

int icmLut_alloc(icmBase *pp) {
    auto *p = static_cast<icmLut *>(pp);
    icc *icp = p->profile;
    if (p->input_channels > icmLutMaxChan)
        return icm_err(icp, 1, "icmLut_alloc: Can't handle > %d input channels\n", icmLutMaxChan);
    if (p->output_channels > icmLutMaxChan)
        return icm_err(icp, 1, "icmLut_alloc: Can't handle > %d output channels\n", icmLutMaxChan);
    if (unusable_sizes(p))
        return icm_err(icp, 1, "icmLut_alloc: Unusable table sizes");
    const TableSizes s = table_sizes(p);
    if (p->input_table == nullptr) {
        p->input_table = static_cast<double *>(calloc((size_t)s.in, sizeof(double)));
        if (p->input_table == nullptr)
            return icm_err(icp, 2, "icmLut_alloc: malloc() of Lut inputTable data failed");
    }
    if (p->clut_table == nullptr) {
        // Strides and offsets are 32-bit: a grid beyond that is out of reach.
        if (s.clut <= 0xFFFFFFFFu)
            p->clut_table = static_cast<double *>(calloc((size_t)s.clut, sizeof(double)));
        if (p->clut_table == nullptr)
            return icm_err(icp, 2, "icmLut_alloc: malloc() of Lut clutTable data failed");
    }
    if (p->output_table == nullptr) {
        p->output_table = static_cast<double *>(calloc((size_t)s.out, sizeof(double)));
        if (p->output_table == nullptr)
            return icm_err(icp, 2, "icmLut_alloc: malloc() of Lut outputTable data failed");
    }
    set_strides(p);
    return 0;
}

// Parses the tag's bytes, the signature's type already taken.
int parse_lut(icmLut *p, const unsigned char *buf, unsigned int len) {
    icc *icp = p->profile;
    if (len < (is_lut8(p) ? 48u : 52u))
        return icm_err(icp, 1, "icmLut_read: Tag too small to be legal");
    p->input_channels = read_UInt8Number(buf + 8);
    p->output_channels = read_UInt8Number(buf + 9);
    p->clut_points = read_UInt8Number(buf + 10);
    if (p->input_channels > icmLutMaxChan)
        return icm_err(icp, 1, "icmLut_read: Can't handle > %d input channels\n", icmLutMaxChan);
    if (p->output_channels > icmLutMaxChan)
        return icm_err(icp, 1, "icmLut_read: Can't handle > %d output channels\n", icmLutMaxChan);
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
            p->matrix[i][j] = read_S15Fixed16Number(buf + 12 + 4 * (3 * i + j));
    if (is_lut8(p)) {
        p->input_entries = p->output_entries = 256;
    } else {
        p->input_entries = read_UInt16Number(buf + 48);
        p->output_entries = read_UInt16Number(buf + 50);
    }
    if (unusable_sizes(p))
        return icm_err(icp, 1, "icmLut_read: Unusable table sizes");
    // Sizes in 64 bits: the grid of 15 inputs at 255 points passes 32 bits.
    if (tag_bytes(p) > len)
        return icm_err(icp, 1, "icmLut_read: Tag too small for contents");
    int rv = p->allocate(p);
    if (rv != 0)
        return rv;

    const TableSizes s = table_sizes(p);
    double *tables[3] = {p->input_table, p->clut_table, p->output_table};
    const uint64_t counts[3] = {s.in, s.clut, s.out};
    const unsigned char *bp = buf + (is_lut8(p) ? 48 : 52);
    for (int t = 0; t < 3; t++) {
        if (is_lut8(p)) {
            for (uint64_t k = 0; k < counts[t]; k++, bp++)
                tables[t][k] = read_DCS8Number(bp);
        } else {
            for (uint64_t k = 0; k < counts[t]; k++, bp += 2)
                tables[t][k] = read_DCS16Number(bp);
        }
    }
    return 0;
}

int icmLut_read(icmBase *pp, unsigned int len, uint64_t offset) {
    auto *p = static_cast<icmLut *>(pp);
    icc *icp = p->profile;
    if (len < 4)
        return icm_err(icp, 1, "icmLut_read: Tag too small to be legal");
    unsigned char *buf = nullptr;
    int rv = icm_read_tag_bytes(p, len, offset, &buf, "icmLut_read", "read failed");
    if (rv != 0)
        return rv;
    const uint32_t ttype = read_UInt32Number(buf);
    if (ttype != kLut8 && ttype != kLut16) {
        rv = icm_err(icp, 1, "icmLut_read: Wrong tag type for icmLut");
    } else {
        p->tag_type = ttype;
        // A second read replaces the tables; until it succeeds there are none.
        free_tables(p);
        rv = parse_lut(p, buf, len);
    }
    free(buf);
    return rv;
}

// The 52 head bytes (48 for Lut8); 0 or the failure's code.
int encode_head(icmLut *p, unsigned char *h) {
    icc *icp = p->profile;
    write_SInt32Number((int)p->tag_type, h);
    write_SInt32Number(0, h + 4);
    if (write_UInt8Number(p->input_channels, h + 8) != 0 ||
        write_UInt8Number(p->output_channels, h + 9) != 0 ||
        write_UInt8Number(p->clut_points, h + 10) != 0)
        return icm_err(icp, 1, "icmLut_write: write_UInt8Number() failed");
    h[11] = 0;
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
            if (write_S15Fixed16Number(p->matrix[i][j], h + 12 + 4 * (3 * i + j)) != 0)
                return icm_err(icp, 1, "icmLut_write: write_S15Fixed16Number() failed");
    if (is_lut8(p)) {
        if (p->input_entries != 256 || p->output_entries != 256)
            return icm_err(icp, 1, "icmLut_write: 8 bit Input and Output tables must be 256 entries");
    } else if (write_UInt16Number(p->input_entries, h + 48) != 0 ||
               write_UInt16Number(p->output_entries, h + 50) != 0) {
        return icm_err(icp, 1, "icmLut_write: write_UInt16Number() failed");
    }
    return 0;
}

int icmLut_write(icmBase *pp, uint64_t offset) {
    auto *p = static_cast<icmLut *>(pp);
    icc *icp = p->profile;
    // The head first: its counts decide the size of everything after it.
    unsigned char head[52] = {};
    int rv = encode_head(p, head);
    if (rv != 0)
        return rv;
    const uint64_t size = tag_bytes(p);
    unsigned char *buf = icm_stage(p, size, "icmLut_write malloc() failed");
    if (buf == nullptr)
        return 2;
    const bool lut8 = is_lut8(p);
    std::copy(head, head + (lut8 ? 48 : 52), buf);

    static const char *const names[3] = {"inputTable", "clutTable", "outputTable"};
    const TableSizes s = table_sizes(p);
    const double *tables[3] = {p->input_table, p->clut_table, p->output_table};
    const uint64_t counts[3] = {s.in, s.clut, s.out};
    unsigned char *bp = buf + (lut8 ? 48 : 52);
    for (int t = 0; rv == 0 && t < 3; t++) {
        for (uint64_t k = 0; rv == 0 && k < counts[t]; k++) {
            const double v = tables[t][k];
            if (lut8) {
                if (write_DCS8Number(v, bp++) != 0)
                    rv = icm_err(icp, 1, "icmLut_write: %s write_DCS8Number() failed", names[t]);
            } else {
                if (write_DCS16Number(v, bp) != 0)
                    rv = icm_err(icp, 1, "icmLut_write: %s write_DCS16Number(%f) failed", names[t], v);
                bp += 2;
            }
        }
    }
    if (rv == 0)
        rv = icm_write_tag_bytes(p, buf, (unsigned int)size, offset, "icmLut_write write failed");
    free(buf);
    return rv;
}

// One line of table values: the label, then " %1.10f" for each value.
void dump_values(std::ostream *op, const char *label, const double *v, unsigned int n,
                 size_t stride) {
    *op << label;
    char tmp[64];
    for (unsigned int k = 0; k < n; k++) {
        snprintf(tmp, sizeof tmp, " %1.10f", v[k * stride]);
        *op << tmp;
    }
    *op << "\n";
}

void dump_table(std::ostream *op, const double *t, unsigned int entries, unsigned int chans) {
    if (t == nullptr)
        return;
    char label[32];
    for (unsigned int i = 0; i < entries; i++) {
        snprintf(label, sizeof label, "    %3u: ", i);
        dump_values(op, label, t + i, chans, entries);
    }
}

void icmLut_dump(icmBase *pp, std::ostream *op, int detail) {
    auto *p = static_cast<icmLut *>(pp);
    if (detail <= 0)
        return;
    *op << (is_lut8(p) ? "Lut8:\n" : "Lut16:\n");
    *op << "  Input Channels = " << p->input_channels << "\n";
    *op << "  Output Channels = " << p->output_channels << "\n";
    *op << "  CLUT resolution = " << p->clut_points << "\n";
    *op << "  Input Table entries = " << p->input_entries << "\n";
    *op << "  Output Table entries = " << p->output_entries << "\n";
    const double(*m)[3] = p->matrix;
    icm_dump_line(op, "  XYZ matrix =  %f, %f, %f\n", m[0][0], m[0][1], m[0][2]);
    icm_dump_line(op, "                %f, %f, %f\n", m[1][0], m[1][1], m[1][2]);
    icm_dump_line(op, "                %f, %f, %f\n", m[2][0], m[2][1], m[2][2]);
    if (detail < 2)
        return;

    *op << "  Input table:\n";
    dump_table(op, p->input_table, p->input_entries, p->input_channels);

    *op << "\n  CLUT table:\n";
    if (p->input_channels > icmLutMaxChan) {
        *op << "  !!Can't dump > " << icmLutMaxChan << " input channel CLUT table!!\n";
    } else if (p->clut_table != nullptr) {
        const unsigned int n = p->input_channels;
        const uint64_t total = ipow(p->clut_points, n);
        unsigned int idx[icmLutMaxChan] = {};
        std::string label;
        char tmp[16];
        for (uint64_t k = 0; k < total; k++) {
            label = "   ";
            for (unsigned int e = 0; e < n; e++) {
                snprintf(tmp, sizeof tmp, " %2u", idx[e]);
                label += tmp;
            }
            label += ":";
            dump_values(op, label.c_str(), p->clut_table + k * p->output_channels,
                        p->output_channels, 1);
            next_point(idx, n, p->clut_points);
        }
    }

    *op << "\n  Output table:\n";
    dump_table(op, p->output_table, p->output_entries, p->output_channels);
}

void icmLut_delete(icmBase *pp) {
    auto *p = static_cast<icmLut *>(pp);
    free_tables(p);
    free(p);
}

}  // namespace

icmBase *new_icmLut(icc *icp) {
    auto *p = static_cast<icmLut *>(icm_new_tag(icp, sizeof(icmLut), kLut16));
    if (p == nullptr)
        return nullptr;
    p->get_size = icmLut_get_size;
    p->read = icmLut_read;
    p->write = icmLut_write;
    p->del = icmLut_delete;
    p->dump = icmLut_dump;
    p->allocate = icmLut_alloc;
    p->matrix_is_not_identity = icmLut_nu_matrix;
    p->clut_min_max = icmLut_clut_min_max;
    p->lookup_matrix = icmLut_lookup_matrix;
    p->lookup_input = icmLut_lookup_input;
    p->icmLut_lookup_clut = icmLut_lookup_clut;
    p->icmLut_lookup_clut_sx = icmLut_lookup_clut_sx;
    p->lookup_output = icmLut_lookup_output;
    p->icmLut_set_tables = icmLut_set_tables;
    for (int i = 0; i < 3; i++)
        p->matrix[i][i] = 1.0;
    return p;
}

const icmTypeCreator icm_lut_creators[] = {
    {kLut8, new_icmLut},
    {kLut16, new_icmLut},
    {0, nullptr},
};
