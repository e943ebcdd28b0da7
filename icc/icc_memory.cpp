// Whole profiles read from and written to blocks of memory.
#include "icc/icc_memory.h"

#include "icc/icc_internal.h"

#include <istream>

namespace {

// Every tag but the private ones of unknown types.
int read_tags(icc *p) {
    for (unsigned int i = 0; i < p->tag_count; i++) {
        const icmTag &e = p->tag_table[i];
        const bool private_sig = icm_sig_allows_type(e.sig, 0);  // true only for a signature not known
        if (private_sig && icm_type_creator(e.ttype) == nullptr)
            continue;
        if (p->read_tag(p, e.sig) == nullptr)
            return p->error_code != 0 ? p->error_code : icm_err(p, 1, "icc_read_memory: tag not read");
    }
    return 0;
}

}  // namespace

int icc_read_memory(icc *p, const void *data, unsigned int size) {
    const char *begin = static_cast<const char *>(data);
    basic_membuf<char> buf(begin, begin + size);
    std::iostream io(&buf);
    int rv = p->read(p, &io, 0);
    if (rv == 0)
        rv = read_tags(p);
    p->stream = nullptr;
    return rv;
}

int icc_write_memory(icc *p, void *block, unsigned int size) {
    char *begin = static_cast<char *>(block);
    basic_membuf<char> buf(begin, begin + size);
    std::iostream io(&buf);
    int rv = p->write(p, &io, 0);
    p->stream = nullptr;
    return rv;
}
