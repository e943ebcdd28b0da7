// Big-endian number encodings of the profile format.
#include "icc/icc.h"

#include <cmath>
#include <ctime>

unsigned int read_UInt8Number(const unsigned char *p) {
    return p[0];
}

int write_UInt8Number(unsigned int d, unsigned char *p) {
    if (d > 255)
        return 1;
    p[0] = (unsigned char)d;
    return 0;
}

unsigned int read_UInt16Number(const unsigned char *p) {
    return ((unsigned int)p[0] << 8) | p[1];
}

int write_UInt16Number(unsigned int d, unsigned char *p) {
    if (d > 65535)
        return 1;
    p[0] = (unsigned char)(d >> 8);
    p[1] = (unsigned char)d;
    return 0;
}

unsigned int read_UInt32Number(const unsigned char *p) {
    return ((unsigned int)p[0] << 24) | ((unsigned int)p[1] << 16) | ((unsigned int)p[2] << 8) | p[3];
}

int write_UInt32Number(unsigned int d, unsigned char *p) {
    p[0] = (unsigned char)(d >> 24);
    p[1] = (unsigned char)(d >> 16);
    p[2] = (unsigned char)(d >> 8);
    p[3] = (unsigned char)d;
    return 0;
}

int read_SInt32Number(const unsigned char *p) {
    return (int)(int32_t)read_UInt32Number(p);
}

int write_SInt32Number(int d, unsigned char *p) {
    return write_UInt32Number((unsigned int)d, p);
}

icmUint64 read_UInt64Number(const unsigned char *p) {
    icmUint64 v;
    v.h = read_UInt32Number(p);
    v.l = read_UInt32Number(p + 4);
    return v;
}

int write_UInt64Number(const icmUint64 *d, unsigned char *p) {
    write_UInt32Number(d->h, p);
    write_UInt32Number(d->l, p + 4);
    return 0;
}

double read_U8Fixed8Number(const unsigned char *p) {
    return read_UInt16Number(p) * (1.0 / 256.0);
}

// The range tests are written so that NaN fails them too: it has no encoding.
int write_U8Fixed8Number(double d, unsigned char *p) {
    double t = d * 256.0 + 0.5;
    if (!(t >= 0.0 && t < 65536.0))
        return 1;
    return write_UInt16Number((unsigned int)t, p);
}

double read_U16Fixed16Number(const unsigned char *p) {
    return read_UInt32Number(p) * (1.0 / 65536.0);
}

int write_U16Fixed16Number(double d, unsigned char *p) {
    double t = d * 65536.0 + 0.5;
    if (!(t >= 0.0 && t < 4294967296.0))
        return 1;
    return write_UInt32Number((unsigned int)t, p);
}

double read_S15Fixed16Number(const unsigned char *p) {
    return read_SInt32Number(p) * (1.0 / 65536.0);
}

// Rounds up, not to nearest: stored files depend on it.
int write_S15Fixed16Number(double d, unsigned char *p) {
    double t = std::ceil(d * 65536.0);
    if (!(t >= -2147483648.0 && t < 2147483648.0))
        return 1;
    return write_SInt32Number((int)t, p);
}

double read_DCS8Number(const unsigned char *p) {
    return p[0] * (1.0 / 255.0);
}

int write_DCS8Number(double d, unsigned char *p) {
    double t = d * 255.0 + 0.5;
    if (!(t >= 0.0 && t < 256.0))
        return 1;
    return write_UInt8Number((unsigned int)t, p);
}

double read_DCS16Number(const unsigned char *p) {
    return read_UInt16Number(p) * (1.0 / 65535.0);
}

int write_DCS16Number(double d, unsigned char *p) {
    double t = d * 65535.0 + 0.5;
    if (!(t >= 0.0 && t < 65536.0))
        return 1;
    return write_UInt16Number((unsigned int)t, p);
}

int read_XYZNumber(icmXYZNumber *v, const unsigned char *p) {
    v->X = read_S15Fixed16Number(p);
    v->Y = read_S15Fixed16Number(p + 4);
    v->Z = read_S15Fixed16Number(p + 8);
    return 0;
}

int write_XYZNumber(const icmXYZNumber *v, unsigned char *p) {
    int rv;
    if ((rv = write_S15Fixed16Number(v->X, p)) != 0)
        return rv;
    if ((rv = write_S15Fixed16Number(v->Y, p + 4)) != 0)
        return rv;
    return write_S15Fixed16Number(v->Z, p + 8);
}

static bool date_is_legal(const icmDateTimeNumber *v) {
    return v->year >= 1900 && v->year <= 3000 && v->month >= 1 && v->month <= 12 && v->day >= 1 &&
           v->day <= 31 && v->hours <= 23 && v->minutes <= 59 && v->seconds <= 59;
}

int read_DateTimeNumber(icmDateTimeNumber *v, const unsigned char *p) {
    v->year = read_UInt16Number(p);
    v->month = read_UInt16Number(p + 2);
    v->day = read_UInt16Number(p + 4);
    v->hours = read_UInt16Number(p + 6);
    v->minutes = read_UInt16Number(p + 8);
    v->seconds = read_UInt16Number(p + 10);
    return date_is_legal(v) ? 0 : 1;
}

int write_DateTimeNumber(const icmDateTimeNumber *v, unsigned char *p) {
    if (!date_is_legal(v))
        return 1;
    const unsigned int fields[6] = {v->year, v->month, v->day, v->hours, v->minutes, v->seconds};
    for (int i = 0; i < 6; i++) {
        int rv = write_UInt16Number(fields[i], p + 2 * i);
        if (rv != 0)
            return rv;
    }
    return 0;
}

void icmDateTimeNumber_set_current(icmDateTimeNumber *p) {
    time_t now = time(nullptr);
    struct tm tmv;
    localtime_r(&now, &tmv);
    p->year = (unsigned int)(tmv.tm_year + 1900);
    p->month = (unsigned int)(tmv.tm_mon + 1);
    p->day = (unsigned int)tmv.tm_mday;
    p->hours = (unsigned int)tmv.tm_hour;
    p->minutes = (unsigned int)tmv.tm_min;
    p->seconds = (unsigned int)tmv.tm_sec;
}
