// Profiles held in a block of memory: a stream buffer over the block, and a
// whole read and a write of a profile through it. The library's input and
// output go through standard streams; these let it work on plain memory.
#ifndef ZENTU_ICC_ICC_MEMORY_H
#define ZENTU_ICC_ICC_MEMORY_H

#include "icc/icc.h"

#include <climits>
#include <ios>
#include <streambuf>

// A stream buffer over a fixed block [begin, end) that the caller owns. The
// get area and the put area both cover the whole block from its start; the
// block never grows, so a write past its end answers end-of-file and writes
// nothing. A block given as constant has no put area: every write fails.
template <class CharT, class Traits = std::char_traits<CharT>>
class basic_membuf : public std::basic_streambuf<CharT, Traits> {
public:
    using pos_type = typename Traits::pos_type;
    using off_type = typename Traits::off_type;

    basic_membuf(CharT *begin, CharT *end) {
        this->setg(begin, begin, end);
        this->setp(begin, end);
    }
    basic_membuf(const CharT *begin, const CharT *end) {
        // The get area is only ever read.
        this->setg(const_cast<CharT *>(begin), const_cast<CharT *>(begin), const_cast<CharT *>(end));
    }

protected:
    // A request that names the get area moves the get position only; a
    // current-relative one that names both areas is refused, since the two
    // positions may differ.
    pos_type seekoff(off_type off, std::ios_base::seekdir way, std::ios_base::openmode which) override {
        if ((which & std::ios_base::in) && this->eback() != nullptr) {
            if (way == std::ios_base::cur && (which & std::ios_base::out))
                return fail();
            const off_type size = this->egptr() - this->eback();
            off_type at = 0;
            if (!target(way, this->gptr() - this->eback(), size, off, &at))
                return fail();
            this->setg(this->eback(), this->eback() + at, this->egptr());
            return pos_type(at);
        }
        if ((which & std::ios_base::out) && this->pbase() != nullptr) {
            const off_type size = this->epptr() - this->pbase();
            off_type at = 0;
            if (!target(way, this->pptr() - this->pbase(), size, off, &at))
                return fail();
            this->setp(this->pbase(), this->epptr());
            for (off_type left = at; left > 0;) {
                const int step = left > INT_MAX ? INT_MAX : (int)left;
                this->pbump(step);
                left -= step;
            }
            return pos_type(at);
        }
        return fail();
    }

    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
        return seekoff(off_type(pos), std::ios_base::beg, which);
    }

private:
    static pos_type fail() { return pos_type(off_type(-1)); }

    // The new position for a request, when it lies inside the block.
    static bool target(std::ios_base::seekdir way, off_type current, off_type size, off_type off, off_type *at) {
        off_type base = 0;
        if (way == std::ios_base::beg)
            base = 0;
        else if (way == std::ios_base::cur)
            base = current;
        else if (way == std::ios_base::end)
            base = size;
        else
            return false;
        if (off < -base || off > size - base)
            return false;
        *at = base + off;
        return true;
    }
};

// Reads a whole profile from the size bytes at data: the header, the tag
// directory and every tag. A private tag (a signature the library does not
// know) of a type it cannot read is left unread, as readers may ignore
// private tags; any other tag that cannot be read fails the profile.
// Answers 0, or the library's code with its message in the profile. The
// profile keeps no reference to the block afterwards.
int icc_read_memory(icc *p, const void *data, unsigned int size);

// Writes the profile into a block of size bytes (get_size of the profile)
// at offset 0. Answers 0 or the library's code; the profile keeps no
// reference to the block afterwards.
int icc_write_memory(icc *p, void *block, unsigned int size);

#endif
