// Text forms of signatures and header values, used by the dumps and messages.
#include "icc/icc.h"

#include <cstdio>

const char *tag2str(uint32_t sig) {
    // Five buffers in rotation, so a result survives the next four calls.
    static char buf[5][20];
    static int next = 0;
    char *bp = buf[next];
    next = (next + 1) % 5;

    unsigned char c[4] = {(unsigned char)(sig >> 24), (unsigned char)(sig >> 16),
                          (unsigned char)(sig >> 8), (unsigned char)sig};
    bool printable = true;
    for (unsigned char ch : c)
        if (ch < 0x20 || ch > 0x7e)
            printable = false;
    if (printable)
        snprintf(bp, 20, "'%c%c%c%c'", c[0], c[1], c[2], c[3]);
    else
        snprintf(bp, 20, "0x%x", (unsigned int)sig);
    return bp;
}

uint32_t str2tag(const char *str) {
    // A text shorter than four characters is packed as if padded with zeros.
    uint32_t v = 0;
    bool ended = false;
    for (int i = 0; i < 4; i++) {
        if (!ended && str[i] == '\0')
            ended = true;
        unsigned char ch = ended ? 0 : (unsigned char)str[i];
        v = (v << 8) | ch;
    }
    return v;
}

namespace {

struct ColorSpaceRow {
    uint32_t sig;
    const char *text;
    unsigned int nchan;
};

const ColorSpaceRow kColorSpaces[] = {
    {icmSig("XYZ "), "XYZ", 3},      {icmSig("Lab "), "Lab", 3},      {icmSig("Luv "), "Luv", 3},
    {icmSig("YCbr"), "YCbCr", 3},    {icmSig("Yxy "), "Yxy", 3},      {icmSig("RGB "), "RGB", 3},
    {icmSig("GRAY"), "Gray", 1},     {icmSig("HSV "), "HSV", 3},      {icmSig("HLS "), "HLS", 3},
    {icmSig("CMYK"), "CMYK", 4},     {icmSig("CMY "), "CMY", 3},      {icmSig("MCH5"), "5 Color", 5},
    {icmSig("MCH6"), "6 Color", 6},  {icmSig("MCH7"), "7 Color", 7},  {icmSig("MCH8"), "8 Color", 8},
    {icmSig("2CLR"), "2 Color", 2},  {icmSig("3CLR"), "3 Color", 3},  {icmSig("4CLR"), "4 Color", 4},
    {icmSig("5CLR"), "5 Color", 5},  {icmSig("6CLR"), "6 Color", 6},  {icmSig("7CLR"), "7 Color", 7},
    {icmSig("8CLR"), "8 Color", 8},  {icmSig("9CLR"), "9 Color", 9},  {icmSig("ACLR"), "10 Color", 10},
    {icmSig("BCLR"), "11 Color", 11}, {icmSig("CCLR"), "12 Color", 12}, {icmSig("DCLR"), "13 Color", 13},
    {icmSig("ECLR"), "14 Color", 14}, {icmSig("FCLR"), "15 Color", 15},
};

const ColorSpaceRow *find_colorspace(uint32_t sig) {
    for (const ColorSpaceRow &r : kColorSpaces)
        if (r.sig == sig)
            return &r;
    return nullptr;
}

struct SigText {
    uint32_t sig;
    const char *text;
};

// Looks a value up in a small table; else "Unrecognized - " and its text form
// in the caller's one static buffer.
template <size_t N>
const char *sig_text(const SigText (&table)[N], uint32_t sig, char (&unknown)[80]) {
    for (const SigText &r : table)
        if (r.sig == sig)
            return r.text;
    snprintf(unknown, sizeof unknown, "Unrecognized - %s", tag2str(sig));
    return unknown;
}

}  // namespace

const char *colorspace2str(uint32_t sig) {
    static char unknown[80];
    if (const ColorSpaceRow *r = find_colorspace(sig))
        return r->text;
    snprintf(unknown, sizeof unknown, "Unrecognized - %s", tag2str(sig));
    return unknown;
}

unsigned int colorspace2nchan(uint32_t sig) {
    const ColorSpaceRow *r = find_colorspace(sig);
    return r ? r->nchan : 0;
}

const char *XYZ2str(const icmXYZNumber *p) {
    static char buf[100];
    snprintf(buf, sizeof buf, "%f, %f, %f", p->X, p->Y, p->Z);
    return buf;
}

const char *DateTimeNumber2str(const icmDateTimeNumber *p) {
    static const char *const months[13] = {"",    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static char buf[100];
    // A month outside 1..12 (set by a caller) gets no name rather than a wild read.
    const char *month = p->month <= 12 ? months[p->month] : "";
    snprintf(buf, sizeof buf, "%d %s %4d, %d:%d:%d", (int)p->day, month, (int)p->year,
             (int)p->hours, (int)p->minutes, (int)p->seconds);
    return buf;
}

const char *devattr2str(icmUint64 attributes) {
    static char buf[5][80];
    static int next = 0;
    char *bp = buf[next];
    next = (next + 1) % 5;
    snprintf(bp, 80, "%s%s", (attributes.l & 1) ? "Transparency" : "Reflective",
             (attributes.l & 2) ? ", Matte" : ", Glossy");
    return bp;
}

const char *devclass2str(uint32_t cls) {
    static const SigText table[] = {
        {icmSig("abst"), "Abstract"},   {icmSig("link"), "Link"},   {icmSig("mntr"), "Display"},
        {icmSig("nmcl"), "Named Color"}, {icmSig("prtr"), "Output"}, {icmSig("scnr"), "Input"},
        {icmSig("spac"), "Color Space"},
    };
    static char unknown[80];
    return sig_text(table, cls, unknown);
}

const char *platform2str(uint32_t platform) {
    static const SigText table[] = {
        {icmSig("APPL"), "Macintosh"}, {icmSig("MSFT"), "Microsoft"}, {icmSig("SGI "), "SGI"},
        {icmSig("SUNW"), "Solaris"},   {icmSig("TGNT"), "Taligent"},
    };
    static char unknown[80];
    return sig_text(table, platform, unknown);
}

const char *intent2str(uint32_t intent) {
    static const char *const names[4] = {"Perceptual", "Relative Colorimetric", "Saturation",
                                         "Absolute Colorimetric"};
    static char unknown[80];
    if (intent < 4)
        return names[intent];
    snprintf(unknown, sizeof unknown, "Unrecognized - 0x%x", (unsigned int)intent);
    return unknown;
}

const char *profflags2str(unsigned int flags) {
    static char buf[5][80];
    static int next = 0;
    char *bp = buf[next];
    next = (next + 1) % 5;
    snprintf(bp, 80, "%s%s", (flags & 1) ? "Embedded Profile" : "Not Embedded Profile",
             (flags & 2) ? ", Use with embedded data only" : ", Use anywhere");
    return bp;
}
