// Colour maths: CIE Lab, the 3 by 3 inverse and absolute colorimetric scaling.
#include "icc/icc.h"

#include <cmath>

namespace {

// The CIE constants: (6/29)^3, (29/3)^3 and (29/6)^2 / 3.
constexpr double kEpsilon = 0.008856451586;
constexpr double kKappa = 903.2963058;
constexpr double kSlope = 7.787036979;
constexpr double kOffset = 16.0 / 116.0;
constexpr double kFEpsilon = 6.0 / 29.0;

double lab_f(double t) {
    return t > kEpsilon ? std::cbrt(t) : kSlope * t + kOffset;
}

double lab_f_inv(double f) {
    return f > kFEpsilon ? f * f * f : (f - kOffset) / kSlope;
}

}  // namespace

void icmXYZ2Lab(const icmXYZNumber *w, double *out, const double *in) {
    const double x = in[0] / w->X, y = in[1] / w->Y, z = in[2] / w->Z;
    const double fx = lab_f(x), fy = lab_f(y), fz = lab_f(z);
    out[0] = y > kEpsilon ? 116.0 * fy - 16.0 : kKappa * y;
    out[1] = 500.0 * (fx - fy);
    out[2] = 200.0 * (fy - fz);
}

void icmLab2XYZ(const icmXYZNumber *w, double *out, const double *in) {
    const double L = in[0], a = in[1], b = in[2];
    double y, fy;
    if (L > 8.0) {
        fy = (L + 16.0) / 116.0;
        y = fy * fy * fy;
    } else {
        y = L / kKappa;
        fy = kSlope * y + kOffset;
    }
    const double x = lab_f_inv(fy + a * 0.002), z = lab_f_inv(fy - b * 0.005);
    out[0] = x * w->X;
    out[1] = y * w->Y;
    out[2] = z * w->Z;
}

double icmDet3x3(const double in[3][3]) {
    return in[0][0] * (in[1][1] * in[2][2] - in[1][2] * in[2][1]) -
           in[0][1] * (in[1][0] * in[2][2] - in[1][2] * in[2][0]) +
           in[0][2] * (in[1][0] * in[2][1] - in[1][1] * in[2][0]);
}

void icmAdjoint3x3(double out[3][3], const double in[3][3]) {
    double t[3][3];
    for (int i = 0; i < 3; i++) {
        const int i1 = (i + 1) % 3, i2 = (i + 2) % 3;
        for (int j = 0; j < 3; j++) {
            const int j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            // Cyclic neighbours give the cofactor its sign.
            t[j][i] = in[i1][j1] * in[i2][j2] - in[i1][j2] * in[i2][j1];
        }
    }
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
            out[i][j] = t[i][j];
}

int icmInverse3x3(double out[3][3], const double in[3][3]) {
    const double det = icmDet3x3(in);
    // Also refuses a NaN determinant, which no inverse can come from.
    if (!(std::fabs(det) >= 1e-8))
        return 1;
    icmAdjoint3x3(out, in);
    for (int i = 0; i < 3; i++)
        for (int j = 0; j < 3; j++)
            out[i][j] /= det;
    return 0;
}

namespace {

// X' = (W - B) / P * X + B, or its inverse, per component.
void scale_xyz(const icmXYZNumber *pcs_white, const icmXYZNumber *media_white,
               const icmXYZNumber *media_black, double *out, const double *in, bool to_abs) {
    const double P[3] = {pcs_white->X, pcs_white->Y, pcs_white->Z};
    const double W[3] = {media_white->X, media_white->Y, media_white->Z};
    const double B[3] = {media_black->X, media_black->Y, media_black->Z};
    for (int i = 0; i < 3; i++)
        out[i] = to_abs ? (W[i] - B[i]) / P[i] * in[i] + B[i] : (in[i] - B[i]) * P[i] / (W[i] - B[i]);
}

}  // namespace

void icmXYZRelToAbs(const icmXYZNumber *pcs_white, const icmXYZNumber *media_white,
                    const icmXYZNumber *media_black, double *out, const double *in) {
    scale_xyz(pcs_white, media_white, media_black, out, in, true);
}

void icmXYZAbsToRel(const icmXYZNumber *pcs_white, const icmXYZNumber *media_white,
                    const icmXYZNumber *media_black, double *out, const double *in) {
    scale_xyz(pcs_white, media_white, media_black, out, in, false);
}
