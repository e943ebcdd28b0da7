// Index-space conversions of the Lut types. The PCS encodings are those of
// version 2 Luts: XYZ with 1.0 at half scale, Lab with L 100 at 0xFF00 in
// 16-bit tables; device spaces are used as they stand.
#include "icc/icc_lutspaces.h"

namespace {

template <int N>
void copy_n(double *out, const double *in) {
    for (int i = 0; i < N; i++)
        out[i] = in[i];
}

void xyz16_out(double *out, const double *in) {
    for (int i = 0; i < 3; i++)
        out[i] = in[i] * (65535.0 / 32768.0);
}

void xyz16_in(double *out, const double *in) {
    for (int i = 0; i < 3; i++)
        out[i] = in[i] * (32768.0 / 65535.0);
}

void lab16_out(double *out, const double *in) {
    out[0] = in[0] * 100.390625;
    out[1] = in[1] * 255.99609375 - 128.0;
    out[2] = in[2] * 255.99609375 - 128.0;
}

void lab16_in(double *out, const double *in) {
    out[0] = in[0] * 0.009961089494163425;
    out[1] = (in[1] + 128.0) * 0.003906309605554284;
    out[2] = (in[2] + 128.0) * 0.003906309605554284;
}

void lab8_out(double *out, const double *in) {
    out[0] = in[0] * 100.0;
    out[1] = in[1] * 255.0 - 128.0;
    out[2] = in[2] * 255.0 - 128.0;
}

void lab8_in(double *out, const double *in) {
    out[0] = in[0] * 0.01;
    out[1] = (in[1] + 128.0) / 255.0;
    out[2] = (in[2] + 128.0) / 255.0;
}

void luv_out(double *out, const double *in) {
    out[0] = in[0] * 100.0;
    out[1] = in[1] * 255.99609375 - 128.0;
    out[2] = in[2] * 255.99609375 - 128.0;
}

void luv_in(double *out, const double *in) {
    out[0] = in[0] * 0.01;
    out[1] = (in[1] + 128.0) * 0.003906309605554284;
    out[2] = (in[2] + 128.0) * 0.003906309605554284;
}

struct SpaceRow {
    uint32_t sig;
    // Index to value and value to index, for 'mft1' and for 'mft2'; null
    // where the Lut type cannot carry the space.
    icmLutSpaceFunc from8, from16, to8, to16;
};

#define S(x) icmSig(x)
#define COPY(n) copy_n<n>, copy_n<n>, copy_n<n>, copy_n<n>
const SpaceRow kSpaces[] = {
    {S("XYZ "), nullptr, xyz16_out, nullptr, xyz16_in},
    {S("Lab "), lab8_out, lab16_out, lab8_in, lab16_in},
    {S("Luv "), luv_out, luv_out, luv_in, luv_in},
    {S("GRAY"), COPY(1)},
    {S("2CLR"), COPY(2)},
    {S("Yxy "), COPY(3)},
    {S("RGB "), COPY(3)},
    {S("HSV "), COPY(3)},
    {S("HLS "), COPY(3)},
    {S("CMY "), COPY(3)},
    {S("3CLR"), COPY(3)},
    {S("CMYK"), COPY(4)},
    {S("4CLR"), COPY(4)},
    {S("5CLR"), COPY(5)},
    {S("MCH6"), COPY(6)},
    {S("6CLR"), COPY(6)},
    {S("7CLR"), COPY(7)},
    {S("8CLR"), COPY(8)},
    {S("9CLR"), COPY(9)},
    {S("ACLR"), COPY(10)},
    {S("BCLR"), COPY(11)},
    {S("CCLR"), COPY(12)},
    {S("DCLR"), COPY(13)},
    {S("ECLR"), COPY(14)},
    {S("FCLR"), COPY(15)},
};
#undef COPY
#undef S

}  // namespace

int icmLutSpaceConversion(uint32_t colorspace, uint32_t ttype, int direction, icmLutSpaceFunc *fn) {
    const bool lut8 = ttype == icmSig("mft1");
    if (!lut8 && ttype != icmSig("mft2"))
        return 1;
    if (direction < icmLutIndexToSpace || direction > icmLutSpaceToEntry)
        return 1;
    const bool to_index = direction == icmLutSpaceToIndex || direction == icmLutSpaceToEntry;
    for (const SpaceRow &r : kSpaces) {
        if (r.sig != colorspace)
            continue;
        icmLutSpaceFunc f = to_index ? (lut8 ? r.to8 : r.to16) : (lut8 ? r.from8 : r.from16);
        if (f == nullptr)
            return 1;
        *fn = f;
        return 0;
    }
    return 1;
}
