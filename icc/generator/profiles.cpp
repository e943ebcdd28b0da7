// The generated profiles. The CMYK ones come from a small print model: the
// paper and each solid ink are given as Lab values, every ink filters each
// of X, Y and Z by its own factor in proportion to its coverage, and the
// coverage grows from the tone value by the condition's dot gain. The RGB
// one comes from chromaticities and a gamma. All are output (printer)
// profiles, as a document checked against PDF/X-3 needs every profile it
// embeds to be. Every profile carries one fixed creation date, so two runs
// write the same bytes.
#include "profiles.h"

#include "icc/icc.h"
#include "icc/icc_memory.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace profilegen {
namespace {

const double kD50[3] = {0.9642, 1.0, 0.8249};
const char kBuiltinDescription[] = "<GTS_:cpc>CGATS TR 001</GTS_:cpc>";

// --- colour maths

const icmXYZNumber kD50White = {kD50[0], kD50[1], kD50[2]};

void xyz_to_lab(const double xyz[3], double lab[3]) {
    icmXYZ2Lab(&kD50White, lab, xyz);
}

void lab_to_xyz(const double lab[3], double xyz[3]) {
    icmLab2XYZ(&kD50White, xyz, lab);
}

double delta_e(const double a[3], const double b[3]) {
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

// --- the print model

struct Condition {
    const char *file;
    const char *identifier;  // the 'desc' text
    double paper[3];         // Lab
    double inks[4][3];       // Lab of each solid on the paper: C, M, Y, K
    double gain;             // tone value increase at 50 %
};

// Our own round figures for each kind of paper and press.
const Condition kConditions[] = {
    {"ANSI TR 001.icc", "CGATS TR 001", {93, 0, -3},
     {{55, -37, -50}, {48, 74, -3}, {88, -6, 92}, {19, 1, 1}}, 0.20},
    {"ISO 12647-3.icc", "Ifra_NP_40lcm_neg+CTP_05.00", {82, 0, 3},
     {{57, -23, -27}, {54, 44, -1}, {78, -3, 58}, {36, 1, 4}}, 0.26},
    {"OF COM PO P1 F60.icc", "OF COM PO P1 F60", {95, 0, -2},
     {{55, -37, -50}, {48, 74, -3}, {89, -5, 93}, {16, 0, 0}}, 0.14},
    {"OF COM PO P2 F60.icc", "OF COM PO P2 F60", {94, 0, -2},
     {{56, -36, -51}, {48, 73, -4}, {88, -5, 90}, {20, 0, 0}}, 0.16},
    {"OF COM PO P3 F60.icc", "OF COM PO P3 F60", {92, 0, -3},
     {{57, -35, -46}, {49, 69, -4}, {87, -4, 84}, {23, 1, 1}}, 0.18},
    {"OF COM PO P4 F60.icc", "OF COM PO P4 F60", {95, 0, -2},
     {{60, -26, -44}, {56, 61, -1}, {89, -4, 78}, {31, 1, 1}}, 0.22},
};

// A press of our own, for the samples: no registry lists it.
const Condition kSampleCondition = {"", kSamplePress, {94, 0, -2},
                                    {{56, -36, -49}, {48, 72, -4}, {88, -5, 88}, {21, 0, 0}}, 0.17};

class PrintModel {
public:
    explicit PrintModel(const Condition &c) {
        lab_to_xyz(c.paper, paper_);
        for (int i = 0; i < 4; i++) {
            double ink[3];
            lab_to_xyz(c.inks[i], ink);
            for (int j = 0; j < 3; j++)
                filter_[i][j] = std::clamp(ink[j] / paper_[j], 0.001, 1.0);
        }
        // Coverage 1 - (1 - t)^n, which is 0.5 + gain at t = 0.5.
        exponent_ = std::log(0.5 - c.gain) / std::log(0.5);
    }

    const double *paper() const { return paper_; }

    // Media-relative Lab of the tones (0 to 1 each).
    void to_lab(const double cmyk[4], double lab[3]) const {
        double rel[3];
        relative(cmyk, rel);
        double xyz[3];
        for (int j = 0; j < 3; j++)
            xyz[j] = rel[j] * kD50[j];
        xyz_to_lab(xyz, lab);
    }

    // The tones that print lab most nearly, with black put in for the grey
    // part of dark colours; answers how far off the print is (delta E).
    double from_lab(const double lab[3], double cmyk[4]) const {
        double xyz[3], target[3];
        lab_to_xyz(lab, xyz);
        for (int j = 0; j < 3; j++)
            target[j] = std::log(std::clamp(xyz[j] / kD50[j], 1e-4, 1.0));
        cmyk[3] = 0;
        solve_cmy(target, cmyk);
        const double grey = std::min({cmyk[0], cmyk[1], cmyk[2]});
        cmyk[3] = grey > 0.4 ? (grey - 0.4) / 0.6 : 0.0;
        solve_cmy(target, cmyk);
        double printed[3];
        to_lab(cmyk, printed);
        return delta_e(lab, printed);
    }

private:
    void relative(const double cmyk[4], double rel[3]) const {
        for (int j = 0; j < 3; j++)
            rel[j] = 1.0;
        for (int i = 0; i < 4; i++) {
            const double a = 1.0 - std::pow(1.0 - std::clamp(cmyk[i], 0.0, 1.0), exponent_);
            for (int j = 0; j < 3; j++)
                rel[j] *= 1.0 - a + a * filter_[i][j];
        }
    }

    void log_relative(const double cmyk[4], double out[3]) const {
        double rel[3];
        relative(cmyk, rel);
        for (int j = 0; j < 3; j++)
            out[j] = std::log(rel[j]);
    }

    // Newton's method on C, M and Y (black fixed), kept inside 0 to 1.
    void solve_cmy(const double target[3], double cmyk[4]) const {
        for (int i = 0; i < 3; i++)
            cmyk[i] = std::clamp(1.0 - std::exp(target[i]), 0.0, 1.0);
        for (int step = 0; step < 30; step++) {
            double base[3], jac[3][3];
            log_relative(cmyk, base);
            double worst = 0;
            for (int j = 0; j < 3; j++)
                worst = std::max(worst, std::fabs(base[j] - target[j]));
            if (worst < 1e-9)
                return;
            for (int i = 0; i < 3; i++) {
                const double h = cmyk[i] > 0.5 ? -1e-6 : 1e-6;
                double moved[4] = {cmyk[0], cmyk[1], cmyk[2], cmyk[3]}, out[3];
                moved[i] += h;
                log_relative(moved, out);
                for (int j = 0; j < 3; j++)
                    jac[j][i] = (out[j] - base[j]) / h;
            }
            double delta[3];
            if (!solve3(jac, base, target, delta))
                return;
            for (int i = 0; i < 3; i++)
                cmyk[i] = std::clamp(cmyk[i] - delta[i], 0.0, 1.0);
        }
    }

    // delta with jac * delta = base - target, by Cramer's rule.
    static bool solve3(const double jac[3][3], const double base[3], const double target[3], double delta[3]) {
        const double d = icmDet3x3(jac);
        if (std::fabs(d) < 1e-12)
            return false;
        for (int i = 0; i < 3; i++) {
            double m[3][3];
            for (int r = 0; r < 3; r++)
                for (int c = 0; c < 3; c++)
                    m[r][c] = c == i ? base[r] - target[r] : jac[r][c];
            delta[i] = icmDet3x3(m) / d;
        }
        return true;
    }

    double paper_[3];
    double filter_[4][3];
    double exponent_;
};

void device_to_lab(void *model, double *out, const double *in) {
    static_cast<const PrintModel *>(model)->to_lab(in, out);
}

void lab_to_device(void *model, double *out, const double *in) {
    static_cast<const PrintModel *>(model)->from_lab(in, out);
}

// 0 inside the gamut, else growing with the distance to the nearest print.
void lab_to_gamut(void *model, double *out, const double *in) {
    double cmyk[4];
    const double off = static_cast<const PrintModel *>(model)->from_lab(in, cmyk);
    out[0] = off <= 2.0 ? 0.0 : std::min(1.0, off / 50.0);
}

// --- writing profiles through the library

// A profile being made; any failure of the library throws with its message.
class Builder {
public:
    Builder(const char *deviceClass, const char *colorSpace, const char *pcs, int minor) : p_(new_icc()) {
        if (p_ == nullptr)
            throw Failure("new_icc failed");
        icmHeader *h = p_->header;
        h->deviceClass = str2tag(deviceClass);
        h->colorSpace = str2tag(colorSpace);
        h->pcs = str2tag(pcs);
        h->renderingIntent = 0;
        h->manufacturer = icmSig("ZNTU");
        h->model = 0;
        h->creator = icmSig("ZNTU");
        h->cmmId = 0;
        h->majv = 2;
        h->minv = minor;
        h->bfv = 0;
        h->date.year = 2004;
        h->date.month = 6;
        h->date.day = 1;
        h->date.hours = 12;
        h->date.minutes = 0;
        h->date.seconds = 0;
    }
    ~Builder() { p_->del(p_); }
    Builder(const Builder &) = delete;
    Builder &operator=(const Builder &) = delete;

    void xyz(const char *sig, const double v[3]) {
        auto *t = add<icmXYZArray>(sig, "XYZ ");
        t->count = 1;
        allocate(t);
        t->data[0] = icmXYZNumber{v[0], v[1], v[2]};
    }

    icmCurve *curve(const char *sig, unsigned int count) {
        auto *t = add<icmCurve>(sig, "curv");
        t->flag = count == 1 ? icmCurveGamma : icmCurveSpec;
        t->count = count;
        allocate(t);
        return t;
    }

    void text(const char *text) {
        auto *t = add<icmText>("cprt", "text");
        t->count = (unsigned int)std::strlen(text) + 1;
        allocate(t);
        std::memcpy(t->data, text, t->count);
    }

    void description(const char *text) {
        auto *t = add<icmTextDescription>("desc", "desc");
        t->size = (unsigned int)std::strlen(text) + 1;
        allocate(t);
        std::memcpy(t->desc, text, t->size);
    }

    // A 16-bit Lut filled through the model's conversion.
    // Curves before and after the table, when given, take what bends most.
    void lut(const char *sig, const char *in, const char *out, unsigned int grid, unsigned int entries,
             const void *model, icmLutCallback convert, icmLutCallback before = nullptr,
             icmLutCallback after = nullptr) {
        auto *t = add<icmLut>(sig, "mft2");
        t->input_channels = colorspace2nchan(str2tag(in));
        t->output_channels = colorspace2nchan(str2tag(out));
        t->clut_points = grid;
        t->input_entries = entries;
        t->output_entries = entries;
        allocate(t);
        if (t->icmLut_set_tables(t, const_cast<void *>(model), str2tag(in), str2tag(out), before, nullptr,
                                 nullptr, convert, nullptr, nullptr, after) != 0)
            throw Failure(p_->error_text);
    }

    void link(const char *sig, const char *existing) {
        if (p_->link_tag(p_, str2tag(sig), str2tag(existing)) == nullptr)
            throw Failure(p_->error_text);
    }

    // The profile's bytes, checked for its required tags and read back.
    Bytes write() {
        if (icc_check_legal(p_) != 0)
            throw Failure(p_->error_text);
        const unsigned int size = p_->get_size(p_);
        if (size == 0)
            throw Failure(p_->error_text);
        Bytes data(size);
        if (icc_write_memory(p_, data.data(), size) != 0)
            throw Failure(p_->error_text);
        icc *back = new_icc();
        if (back == nullptr)
            throw Failure("new_icc failed");
        const int rv = icc_read_memory(back, data.data(), size);
        const std::string why = back->error_text;
        back->del(back);
        if (rv != 0)
            throw Failure("written profile does not read back: " + why);
        return data;
    }

private:
    template <class T>
    T *add(const char *sig, const char *type) {
        icmBase *t = p_->add_tag(p_, str2tag(sig), str2tag(type));
        if (t == nullptr)
            throw Failure(p_->error_text);
        return static_cast<T *>(t);
    }

    void allocate(icmBase *t) {
        if (t->allocate(t) != 0)
            throw Failure(p_->error_text);
    }

    icc *p_;
};

// An output (printer) profile of the condition: the model both ways, the
// same table for every rendering intent, and its gamut.
Bytes cmyk_output(const Condition &c, const char *description, const char *copyright, int minor) {
    const PrintModel model(c);
    Builder b("prtr", "CMYK", "Lab ", minor);
    b.description(description);
    b.lut("A2B0", "CMYK", "Lab ", 9, 256, &model, device_to_lab);
    b.link("A2B1", "A2B0");
    b.link("A2B2", "A2B0");
    b.lut("B2A0", "Lab ", "CMYK", 17, 256, &model, lab_to_device);
    b.link("B2A1", "B2A0");
    b.link("B2A2", "B2A0");
    b.lut("gamt", "Lab ", "GRAY", 17, 256, &model, lab_to_gamut);
    b.xyz("wtpt", model.paper());
    b.text(copyright);
    return b.write();
}

Bytes cmyk_output(const Condition &c) {
    return cmyk_output(c, c.identifier, "No copyright. Made by Zentu from a model of a printing condition.", 1);
}

// Gray printed with a tone value curve of gamma 1.8 on a white paper.
const double kGrayGamma = 1.8;

void gray_to_xyz(void *, double *out, const double *in) {
    const double y = std::pow(std::clamp(in[0], 0.0, 1.0), kGrayGamma);
    for (int j = 0; j < 3; j++)
        out[j] = kD50[j] * y;
}

void xyz_to_gray(void *, double *out, const double *in) {
    out[0] = std::pow(std::clamp(in[1] / kD50[1], 0.0, 1.0), 1.0 / kGrayGamma);
}

// RGB from the chromaticities of its primaries, white D50, gamma 1.8: each
// primary's XYZ is its chromaticity scaled so that the three add up to the
// white. It is the profile of an RGB printing condition, so an output
// (printer) profile: tables both ways and a gamut beside the matrix and
// curves of a display profile.
class RgbModel {
public:
    RgbModel() {
        const double xy[3][2] = {{0.67, 0.33}, {0.21, 0.71}, {0.14, 0.08}};
        double m[3][3];  // columns: the primaries' XYZ at Y = 1
        for (int i = 0; i < 3; i++) {
            m[0][i] = xy[i][0] / xy[i][1];
            m[1][i] = 1.0;
            m[2][i] = (1.0 - xy[i][0] - xy[i][1]) / xy[i][1];
        }
        for (int i = 0; i < 3; i++) {
            double a[3][3];
            for (int r = 0; r < 3; r++)
                for (int c = 0; c < 3; c++)
                    a[r][c] = c == i ? kD50[r] : m[r][c];
            const double scale = icmDet3x3(a) / icmDet3x3(m);
            for (int r = 0; r < 3; r++)
                m_[r][i] = m[r][i] * scale;
        }
        icmInverse3x3(inverse_, m_);
    }

    // The primary's XYZ (column i).
    void primary(int i, double out[3]) const {
        for (int r = 0; r < 3; r++)
            out[r] = m_[r][i];
    }

    // From the tones after the curves (linear) to XYZ.
    void to_xyz(const double linear[3], double xyz[3]) const {
        for (int r = 0; r < 3; r++)
            xyz[r] = m_[r][0] * linear[0] + m_[r][1] * linear[1] + m_[r][2] * linear[2];
    }

    // The nearest linear tones; answers how far outside the gamut the
    // colour lies.
    double from_xyz(const double xyz[3], double linear[3]) const {
        double excess = 0;
        for (int i = 0; i < 3; i++) {
            const double v = inverse_[i][0] * xyz[0] + inverse_[i][1] * xyz[1] + inverse_[i][2] * xyz[2];
            excess = std::max({excess, -v, v - 1.0});
            linear[i] = std::clamp(v, 0.0, 1.0);
        }
        return excess;
    }

    static constexpr double kGamma = 1.8;

private:
    double m_[3][3];
    double inverse_[3][3];
};

void rgb_to_xyz(void *model, double *out, const double *in) { static_cast<const RgbModel *>(model)->to_xyz(in, out); }

void xyz_to_rgb(void *model, double *out, const double *in) {
    static_cast<const RgbModel *>(model)->from_xyz(in, out);
}

void decode_gamma(void *, double *out, const double *in) {
    for (int i = 0; i < 3; i++)
        out[i] = std::pow(std::clamp(in[i], 0.0, 1.0), RgbModel::kGamma);
}

void encode_gamma(void *, double *out, const double *in) {
    for (int i = 0; i < 3; i++)
        out[i] = std::pow(std::clamp(in[i], 0.0, 1.0), 1.0 / RgbModel::kGamma);
}

void xyz_to_rgb_gamut(void *model, double *out, const double *in) {
    double rgb[3];
    const double excess = static_cast<const RgbModel *>(model)->from_xyz(in, rgb);
    out[0] = excess <= 0.005 ? 0.0 : std::min(1.0, excess * 4.0);
}

Bytes rgb_output() {
    const RgbModel model;
    Builder b("prtr", "RGB ", "XYZ ", 1);
    b.description("eciRGB");
    b.lut("A2B0", "RGB ", "XYZ ", 17, 1024, &model, rgb_to_xyz, decode_gamma);
    b.link("A2B1", "A2B0");
    b.link("A2B2", "A2B0");
    b.lut("B2A0", "XYZ ", "RGB ", 17, 1024, &model, xyz_to_rgb, nullptr, encode_gamma);
    b.link("B2A1", "B2A0");
    b.link("B2A2", "B2A0");
    b.lut("gamt", "XYZ ", "GRAY", 17, 256, &model, xyz_to_rgb_gamut);
    const char *colorants[3] = {"rXYZ", "gXYZ", "bXYZ"};
    const char *curves[3] = {"rTRC", "gTRC", "bTRC"};
    for (int i = 0; i < 3; i++) {
        double v[3];
        model.primary(i, v);
        b.xyz(colorants[i], v);
    }
    b.curve(curves[0], 1)->data[0] = RgbModel::kGamma;
    b.link(curves[1], curves[0]);
    b.link(curves[2], curves[0]);
    b.xyz("wtpt", kD50);
    b.text("No copyright. Made by Zentu from the chromaticities of its primaries.");
    return b.write();
}

}  // namespace

// Output (printer) profiles, as every profile the checker writes into a
// document must be: the curve for readers of gray profiles, and the tables
// that a check against either standard asks for (A2B1 among them).
Bytes builtin_gray() {
    Builder b("prtr", "GRAY", "XYZ ", 1);
    const double black[3] = {kD50[0] * 0.005, kD50[1] * 0.005, kD50[2] * 0.005};
    b.xyz("wtpt", kD50);
    b.xyz("bkpt", black);
    icmCurve *trc = b.curve("kTRC", 256);
    for (unsigned int i = 0; i < trc->count; i++)
        trc->data[i] = std::pow(i / 255.0, kGrayGamma);
    b.lut("A2B0", "GRAY", "XYZ ", 33, 256, nullptr, gray_to_xyz);
    b.link("A2B1", "A2B0");
    b.link("A2B2", "A2B0");
    b.lut("B2A0", "XYZ ", "GRAY", 17, 256, nullptr, xyz_to_gray);
    b.link("B2A1", "B2A0");
    b.link("B2A2", "B2A0");
    b.text("No copyright. The built-in gray output profile of Zentu.");
    b.description(kBuiltinDescription);
    return b.write();
}

Bytes builtin_cmyk() {
    return cmyk_output(kConditions[0], kBuiltinDescription,
                       "No copyright. Built-in CMYK output profile of Zentu, from a model of SWOP.", 0);
}

const char kSamplePress[] = "Zentu Sample Press";

Bytes sample_press() { return cmyk_output(kSampleCondition); }

std::vector<NamedProfile> condition_profiles() {
    std::vector<NamedProfile> out;
    for (const Condition &c : kConditions)
        out.push_back({c.file, cmyk_output(c)});
    out.push_back({"ecirgb10.icm", rgb_output()});
    return out;
}

}  // namespace profilegen
