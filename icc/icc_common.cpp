// Error reporting, stream access and the steps that every tag type shares.
#include "icc/icc_internal.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <istream>
#include <ostream>

int icm_err(icc *p, int code, const char *fmt, ...) {
    va_list args;
    va_start(args, fmt);
    vsnprintf(p->error_text, sizeof p->error_text, fmt, args);
    va_end(args);
    p->error_code = code;
    return code;
}

void icm_dump_line(std::ostream *op, const char *fmt, ...) {
    char buf[256];
    va_list args;
    va_start(args, fmt);
    vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    *op << buf;
}

void *icm_new_tag(icc *p, size_t size, uint32_t ttype) {
    icmBase *t = static_cast<icmBase *>(calloc(1, size));
    if (t == nullptr)
        return nullptr;
    t->tag_type = ttype;
    t->profile = p;
    t->ref_count = 1;
    return t;
}

int64_t icm_stream_size(std::iostream *s) {
    if (s == nullptr)
        return -1;
    s->clear();
    s->seekg(0, std::ios::end);
    std::streampos end = s->tellg();
    s->clear();
    if (end == std::streampos(-1))
        return -1;
    return (int64_t)std::streamoff(end);
}

int icm_stream_read(std::iostream *s, uint64_t pos, void *buf, size_t len) {
    if (s == nullptr)
        return 1;
    s->clear();
    s->seekg(std::streampos(std::streamoff(pos)));
    if (s->fail())
        return 1;
    s->read(static_cast<char *>(buf), (std::streamsize)len);
    if (s->fail() || s->bad() || (size_t)s->gcount() != len)
        return 1;
    return 0;
}

int icm_stream_write(std::iostream *s, uint64_t pos, const void *buf, size_t len) {
    if (s == nullptr)
        return 1;
    s->clear();
    s->seekp(std::streampos(std::streamoff(pos)));
    if (s->fail())
        return 1;
    s->write(static_cast<const char *>(buf), (std::streamsize)len);
    if (s->fail() || s->bad())
        return 1;
    return 0;
}

int icm_read_tag_bytes(icmBase *p, unsigned int len, uint64_t offset, unsigned char **buf,
                       const char *func, const char *failword) {
    icc *icp = p->profile;
    // Bytes past the end of the data would fail the read anyway; refusing
    // first keeps a corrupt size from driving a large allocation.
    int64_t size = icm_stream_size(icp->stream);
    if (icp->stream == nullptr || (size >= 0 && offset + len > (uint64_t)size))
        return icm_err(icp, 1, "%s: %s", func, failword);
    unsigned char *b = static_cast<unsigned char *>(calloc(len > 0 ? len : 1, 1));
    if (b == nullptr)
        return icm_err(icp, 2, "%s: malloc() failed", func);
    if (icm_stream_read(icp->stream, offset, b, len) != 0) {
        free(b);
        return icm_err(icp, 1, "%s: %s", func, failword);
    }
    *buf = b;
    return 0;
}

unsigned char *icm_stage(icmBase *p, uint64_t size, const char *failmsg) {
    unsigned char *b = nullptr;
    if (size <= 0xFFFFFFFFu)
        b = static_cast<unsigned char *>(calloc(size > 0 ? (size_t)size : 1, 1));
    if (b == nullptr)
        icm_err(p->profile, 2, "%s", failmsg);
    return b;
}

int icm_write_tag_bytes(icmBase *p, const unsigned char *buf, unsigned int len, uint64_t offset,
                        const char *failmsg) {
    if (icm_stream_write(p->profile->stream, offset, buf, len) != 0)
        return icm_err(p->profile, 2, "%s", failmsg);
    return 0;
}
