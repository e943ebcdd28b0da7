// Helpers shared by the profile object and the tag types; not for callers of
// the library.
#ifndef ZENTU_ICC_ICC_INTERNAL_H
#define ZENTU_ICC_ICC_INTERNAL_H

#include "icc/icc.h"

#include <cstddef>
#include <cstdint>

// The header object, made by new_icc.
icmHeader *new_icmHeader(icc *icp);

// Formats a message into the profile's error text, stores the code and
// answers it.
int icm_err(icc *p, int code, const char *fmt, ...) __attribute__((format(printf, 3, 4)));

// Writes one dump line formatted into a 256-character buffer (cut short
// rather than overrun when a value is huge).
void icm_dump_line(std::ostream *op, const char *fmt, ...) __attribute__((format(printf, 2, 3)));

// The creation routine of a tag type. Each file that builds tag types lists
// its routines in one of these tables, ended by a zero row; the profile finds
// a type's routine there, so adding a type touches only its own file.
struct icmTypeCreator {
    uint32_t ttype;
    icmBase *(*create)(icc *p);
};
extern const icmTypeCreator icm_array_creators[];  // icc_tags_arrays.cpp
extern const icmTypeCreator icm_basic_creators[];  // icc_tags_basic.cpp
extern const icmTypeCreator icm_lut_creators[];    // icc_tags_lut.cpp
extern const icmTypeCreator icm_more_creators[];   // icc_tags_more.cpp

// Known tag types (the 23 of the type table) and the types that a known
// signature allows.
bool icm_known_type(uint32_t ttype);
icmBase *(*icm_type_creator(uint32_t ttype))(icc *p);  // null: not built
bool icm_sig_allows_type(uint32_t sig, uint32_t ttype); // true for unknown sigs

// Allocates a zero-filled tag object of `size` bytes with tag_type, profile
// and ref_count 1 set; the caller fills the operations. Null when memory is
// short.
void *icm_new_tag(icc *p, size_t size, uint32_t ttype);

// Size of the stream's data, or -1 when the stream cannot tell.
int64_t icm_stream_size(std::iostream *s);
// Positions and reads or writes; 0 on success, else 1. A failed state of an
// earlier operation is cleared first.
int icm_stream_read(std::iostream *s, uint64_t pos, void *buf, size_t len);
int icm_stream_write(std::iostream *s, uint64_t pos, const void *buf, size_t len);

// Reads a tag's len bytes at offset into a new zero-filled buffer, the
// common first steps of every tag read. Bytes running past the end of the
// data fail before anything is allocated. Messages are "<func>: malloc()
// failed" (2) and "<func>: <failword>" (1), e.g. "icmCurve_read: read failed".
int icm_read_tag_bytes(icmBase *p, unsigned int len, uint64_t offset, unsigned char **buf,
                       const char *func, const char *failword);

// Zero-filled staging buffer for a tag write; null with failmsg (code 2) when
// it cannot be had, also when size exceeds 32 bits.
unsigned char *icm_stage(icmBase *p, uint64_t size, const char *failmsg);

// Writes a staged tag at offset; failmsg with code 2 on a stream failure.
int icm_write_tag_bytes(icmBase *p, const unsigned char *buf, unsigned int len, uint64_t offset,
                        const char *failmsg);

// Interpolates in a table of n entries spread evenly over 0 to 1; 1 when x
// had to be clipped into range (NaN included), else 0. Curves and Luts.
int icm_interp1(const double *t, unsigned int n, double x, double *out);

// Keeps a 64-bit size in the 32 bits of get_size; too large answers the
// highest value, which no profile can hold.
inline unsigned int icm_clamp_size(uint64_t size) {
    return size > 0xFFFFFFFFu ? 0xFFFFFFFFu : (unsigned int)size;
}

#endif
