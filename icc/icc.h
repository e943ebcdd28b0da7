// ICC version 2 profile library: the profile object, its header and tag
// directory, the number encodings and the tag types.
//
// Plain structured style: every object is a structure led by pointers to its
// operations, made by a creation function named after it and freed by its own
// delete operation; memory comes from the C allocator. Operations answer 0 on
// success, 1 for malformed data, a limit or an unrepresentable value, and 2
// when memory is exhausted or a write failed, and leave a message in the
// profile's error_text. Nothing is thrown. Text routines answer static buffers.
#ifndef ZENTU_ICC_ICC_H
#define ZENTU_ICC_ICC_H

#include <cstdint>
#include <iosfwd>

// A four-character signature as its 32-bit number, first character highest.
constexpr uint32_t icmSig(const char (&s)[5]) {
    return (uint32_t(uint8_t(s[0])) << 24) | (uint32_t(uint8_t(s[1])) << 16) |
           (uint32_t(uint8_t(s[2])) << 8) | uint32_t(uint8_t(s[3]));
}

struct icc;
struct icmBase;
struct iccLuBase;  // lookup objects, icc/icc_lookup.h

struct icmXYZNumber {
    double X, Y, Z;
};

// Unsigned 64-bit number as stored: low word, then high word.
struct icmUint64 {
    uint32_t l;
    uint32_t h;
};

// Common head of every tag object. A tag type derives from it and adds its
// own fields; the operations receive the head and cast to their type.
// `del` is the delete operation (the word itself is reserved in C++).
struct icmBase {
    uint32_t tag_type;  // type signature, e.g. 'ui08'
    icc *profile;       // owner: stream, error text and code
    int placed;         // used by the profile's write while laying out
    int ref_count;      // directory entries sharing this object
    unsigned int (*get_size)(icmBase *p);
    // Parses the len bytes at absolute byte offset of the profile's stream.
    int (*read)(icmBase *p, unsigned int len, uint64_t offset);
    // Serialises the tag at absolute byte offset of the profile's stream.
    int (*write)(icmBase *p, uint64_t offset);
    void (*del)(icmBase *p);
    void (*dump)(icmBase *p, std::ostream *op, int detail);
    int (*allocate)(icmBase *p);
};

// Date and time; also the layout of the header's creation date (whose head
// stays zero there).
struct icmDateTimeNumber : icmBase {
    unsigned int year, month, day;
    unsigned int hours, minutes, seconds;
};

struct icmHeader {
    unsigned int (*get_size)(icmHeader *p);
    int (*read)(icmHeader *p, unsigned int len, unsigned int offset);
    int (*write)(icmHeader *p, unsigned int offset);
    void (*del)(icmHeader *p);
    icc *profile;
    unsigned int size;  // set by the profile's write
    void (*dump)(icmHeader *p, std::ostream *op, int detail);
    uint32_t deviceClass;
    uint32_t colorSpace;
    uint32_t pcs;
    uint32_t renderingIntent;
    uint32_t manufacturer;
    uint32_t model;
    icmUint64 attributes;
    unsigned int flags;
    uint32_t creator;
    uint32_t cmmId;
    int majv, minv, bfv;
    icmDateTimeNumber date;
    uint32_t platform;
    icmXYZNumber illuminant;
};

// One entry of the tag directory.
struct icmTag {
    uint32_t sig;        // tag signature
    uint32_t ttype;      // tag type signature
    unsigned int offset; // from the profile's start
    unsigned int size;   // bytes
    icmBase *object;     // null while not loaded; may be shared (linked tag)
};

struct icc {
    unsigned int (*get_size)(icc *p);
    int (*read)(icc *p, std::iostream *fp, unsigned int offset);
    int (*write)(icc *p, std::iostream *fp, unsigned int offset);
    void (*dump)(icc *p, std::ostream *op, int detail);
    void (*del)(icc *p);
    int (*find_tag)(icc *p, uint32_t sig);
    icmBase *(*read_tag)(icc *p, uint32_t sig);
    icmBase *(*add_tag)(icc *p, uint32_t sig, uint32_t ttype);
    icmBase *(*link_tag)(icc *p, uint32_t sig, uint32_t ex_sig);
    int (*unread_tag)(icc *p, uint32_t sig);
    int (*read_all_tags)(icc *p);
    int (*delete_tag)(icc *p, uint32_t sig);
    // A new lookup object for a function, intent and order (icc/icc_lookup.h).
    iccLuBase *(*get_luobj)(icc *p, int func, int intent, int order);

    std::iostream *stream;  // set by read and write; cleared by the caller
    icmHeader *header;
    unsigned int offset;    // position of the profile's first byte in the stream
    unsigned int tag_count;
    icmTag *tag_table;
    char error_text[512];
    int error_code;
};

// The library's constructor; null when memory is short.
icc *new_icc();

// Required tags by device class: 0 legal, else 1 with the message set.
int icc_check_legal(icc *p);

// Number encodings, big-endian. Readers take the bytes; writers answer 0, or 1
// without writing anything when the value cannot be represented.
unsigned int read_UInt8Number(const unsigned char *p);
int write_UInt8Number(unsigned int d, unsigned char *p);
unsigned int read_UInt16Number(const unsigned char *p);
int write_UInt16Number(unsigned int d, unsigned char *p);
unsigned int read_UInt32Number(const unsigned char *p);
int write_UInt32Number(unsigned int d, unsigned char *p);
int read_SInt32Number(const unsigned char *p);
int write_SInt32Number(int d, unsigned char *p);
icmUint64 read_UInt64Number(const unsigned char *p);
int write_UInt64Number(const icmUint64 *d, unsigned char *p);
double read_U8Fixed8Number(const unsigned char *p);
int write_U8Fixed8Number(double d, unsigned char *p);
double read_U16Fixed16Number(const unsigned char *p);
int write_U16Fixed16Number(double d, unsigned char *p);
double read_S15Fixed16Number(const unsigned char *p);
int write_S15Fixed16Number(double d, unsigned char *p);
double read_DCS8Number(const unsigned char *p);
int write_DCS8Number(double d, unsigned char *p);
double read_DCS16Number(const unsigned char *p);
int write_DCS16Number(double d, unsigned char *p);
int read_XYZNumber(icmXYZNumber *v, const unsigned char *p);
int write_XYZNumber(const icmXYZNumber *v, unsigned char *p);
// Stores all six fields, then answers 1 when the date is not legal.
int read_DateTimeNumber(icmDateTimeNumber *v, const unsigned char *p);
// Answers 1 and writes nothing when the date is not legal.
int write_DateTimeNumber(const icmDateTimeNumber *v, unsigned char *p);
// Sets the six fields from the local time (month 1 to 12).
void icmDateTimeNumber_set_current(icmDateTimeNumber *p);

// Text forms; each answers a static buffer (see the definitions for how long
// a result stays valid).
const char *tag2str(uint32_t sig);
uint32_t str2tag(const char *str);
const char *colorspace2str(uint32_t sig);
unsigned int colorspace2nchan(uint32_t sig);
const char *XYZ2str(const icmXYZNumber *p);
const char *DateTimeNumber2str(const icmDateTimeNumber *p);
const char *devattr2str(icmUint64 attributes);
const char *tagsig2str(uint32_t sig);    // description of a tag signature
const char *tagtype2str(uint32_t ttype); // description of a tag type
const char *devclass2str(uint32_t cls);
const char *platform2str(uint32_t platform);
const char *intent2str(uint32_t intent);
const char *profflags2str(unsigned int flags);

// Tag types, one header a family.
#include "icc/icc_tags_arrays.h"
#include "icc/icc_tags_basic.h"
#include "icc/icc_tags_lut.h"
#include "icc/icc_tags_more.h"

// Colour maths and lookup objects.
#include "icc/icc_lookup.h"

#endif
