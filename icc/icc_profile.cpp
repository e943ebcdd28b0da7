// The profile object and its tag directory.
#include "icc/icc_internal.h"

#include <cstdlib>
#include <cstring>
#include <istream>
#include <ostream>

namespace {

constexpr uint64_t kMax32 = 0xFFFFFFFFu;

uint64_t round4(uint64_t v) {
    return (v + 3) & ~uint64_t(3);
}

int find_entry(const icc *p, uint32_t sig) {
    for (unsigned int i = 0; i < p->tag_count; i++)
        if (p->tag_table[i].sig == sig)
            return (int)i;
    return -1;
}

// Lets go of an entry's object; the last entry to do so deletes it.
void release(icmTag *e) {
    if (e->object != nullptr) {
        if (--e->object->ref_count <= 0)
            e->object->del(e->object);
        e->object = nullptr;
    }
}

void free_directory(icc *p) {
    for (unsigned int i = 0; i < p->tag_count; i++)
        release(&p->tag_table[i]);
    free(p->tag_table);
    p->tag_table = nullptr;
    p->tag_count = 0;
}

// Room for one more directory entry; false when memory is short.
bool grow_directory(icc *p) {
    uint64_t bytes = ((uint64_t)p->tag_count + 1) * sizeof(icmTag);
    if (bytes > SIZE_MAX)
        return false;
    void *t = realloc(p->tag_table, (size_t)bytes);
    if (t == nullptr)
        return false;
    p->tag_table = static_cast<icmTag *>(t);
    return true;
}

}  // namespace

static unsigned int icc_get_size(icc *p) {
    if (icc_check_legal(p) != 0)
        return 0;
    if (p->header == nullptr) {
        icm_err(p, 1, "icc_get_size: No header defined");
        return 0;
    }
    uint64_t size = 128 + 4 + 12 * (uint64_t)p->tag_count;
    for (unsigned int i = 0; i < p->tag_count; i++) {
        if (p->tag_table[i].object == nullptr) {
            icm_err(p, 1, "icc_get_size: Internal error - NULL tag element");
            return 0;
        }
        p->tag_table[i].object->placed = 0;
    }
    for (unsigned int i = 0; i < p->tag_count; i++) {
        icmBase *o = p->tag_table[i].object;
        if (!o->placed) {
            size = round4(size) + o->get_size(o);
            o->placed = 1;
        }
    }
    if (size > kMax32) {
        icm_err(p, 1, "icc_get_size: Profile size exceeds 32 bits");
        return 0;
    }
    return (unsigned int)size;
}

static int icc_read(icc *p, std::iostream *fp, unsigned int offset) {
    p->stream = fp;
    p->offset = offset;
    if (p->header == nullptr)
        return icm_err(p, 1, "icc_read: No header defined");
    // The directory read replaces any earlier one, whose objects must not leak.
    free_directory(p);

    if (p->header->read(p->header, 128, offset) != 0)
        return 1;

    unsigned char cbuf[4];
    if (icm_stream_read(fp, (uint64_t)offset + 128, cbuf, 4) != 0)
        return icm_err(p, 1, "icc_read: read failed on tag count");
    unsigned int count = read_UInt32Number(cbuf);
    if (count == 0)
        return 0;

    // Sizes in 64 bits: a count from the file must not wrap them.
    uint64_t dir_bytes = (uint64_t)count * sizeof(icmTag);
    uint64_t table_bytes = 4 + 12 * (uint64_t)count;
    if (dir_bytes > kMax32)
        return icm_err(p, 2, "icc_read: Tag table malloc() failed");
    if (table_bytes > kMax32)
        return icm_err(p, 2, "icc_read: Tag table read buffer malloc() failed");
    // A table that cannot be in the data fails before anything is allocated.
    int64_t data_size = icm_stream_size(fp);
    if (data_size >= 0 && (uint64_t)offset + 128 + table_bytes > (uint64_t)data_size)
        return icm_err(p, 1, "icc_read: read failed on tag table");

    p->tag_table = static_cast<icmTag *>(calloc(count, sizeof(icmTag)));
    if (p->tag_table == nullptr)
        return icm_err(p, 2, "icc_read: Tag table malloc() failed");
    unsigned char *buf = static_cast<unsigned char *>(calloc(1, (size_t)table_bytes));
    if (buf == nullptr) {
        free_directory(p);
        return icm_err(p, 2, "icc_read: Tag table read buffer malloc() failed");
    }
    if (icm_stream_read(fp, (uint64_t)offset + 128, buf, (size_t)table_bytes) != 0) {
        free(buf);
        free_directory(p);
        return icm_err(p, 1, "icc_read: read failed on tag table");
    }
    p->tag_count = count;
    for (unsigned int i = 0; i < count; i++) {
        icmTag *e = &p->tag_table[i];
        const unsigned char *bp = buf + 12 * (size_t)i;
        e->sig = (uint32_t)read_SInt32Number(bp + 4);
        e->offset = read_UInt32Number(bp + 8);
        e->size = read_UInt32Number(bp + 12);
        unsigned char tbuf[4];
        if (icm_stream_read(fp, (uint64_t)offset + e->offset, tbuf, 4) != 0) {
            free(buf);
            free_directory(p);
            return icm_err(p, 1, "icc_read: read failed on tag headers");
        }
        e->ttype = read_UInt32Number(tbuf);
    }
    free(buf);
    return 0;
}

static int icc_write(icc *p, std::iostream *fp, unsigned int offset) {
    int rv = icc_check_legal(p);
    if (rv != 0)
        return rv;
    p->stream = fp;
    p->offset = offset;
    if (p->header == nullptr)
        return icm_err(p, 1, "icc_write: No header defined");

    uint64_t table_bytes = 4 + 12 * (uint64_t)p->tag_count;
    unsigned char *buf = nullptr;
    if (table_bytes <= kMax32)
        buf = static_cast<unsigned char *>(calloc(1, (size_t)table_bytes));
    if (buf == nullptr)
        return icm_err(p, 2, "icc_write malloc() failed");
    if ((rv = write_UInt32Number(p->tag_count, buf)) != 0) {
        free(buf);
        return icm_err(p, rv, "icc_write: write_UInt32Number() failed on tag count");
    }
    for (unsigned int i = 0; i < p->tag_count; i++) {
        if (p->tag_table[i].object == nullptr) {
            free(buf);
            return icm_err(p, 1, "icc_write: Internal error - NULL tag element");
        }
        p->tag_table[i].object->placed = 0;
    }

    // Lay out: each object once, in directory order, at a multiple of 4.
    uint64_t size = 128 + table_bytes;
    for (unsigned int i = 0; i < p->tag_count; i++) {
        icmTag *e = &p->tag_table[i];
        if (!e->object->placed) {
            uint64_t at = round4(size);
            uint64_t tsize = e->object->get_size(e->object);
            if (at + tsize > kMax32) {
                free(buf);
                return icm_err(p, 1, "icc_write: Profile size exceeds 32 bits");
            }
            e->offset = (unsigned int)at;
            e->size = (unsigned int)tsize;
            size = at + tsize;
            e->object->placed = 1;
        } else {
            unsigned int j = 0;
            while (j < i && p->tag_table[j].object != e->object)
                j++;
            if (j == i) {
                free(buf);
                return icm_err(p, 2, "icc_write: corrupted link");
            }
            e->offset = p->tag_table[j].offset;
            e->size = p->tag_table[j].size;
        }
        unsigned char *bp = buf + 4 + 12 * (size_t)i;
        if ((rv = write_SInt32Number((int)e->sig, bp)) != 0) {
            free(buf);
            return icm_err(p, rv, "icc_write: write_SInt32Number() failed on tag signature");
        }
        if ((rv = write_UInt32Number(e->offset, bp + 4)) != 0) {
            free(buf);
            return icm_err(p, rv, "icc_write: write_UInt32Number() failed on tag offset");
        }
        if ((rv = write_UInt32Number(e->size, bp + 8)) != 0) {
            free(buf);
            return icm_err(p, rv, "icc_write: write_UInt32Number() failed on tag size");
        }
    }

    p->header->size = (unsigned int)size;
    if ((rv = p->header->write(p->header, offset)) != 0) {
        free(buf);
        return rv;
    }
    if (icm_stream_write(fp, (uint64_t)offset + 128, buf, (size_t)table_bytes) != 0) {
        free(buf);
        return icm_err(p, 1, "icc_write: seekp or write failed");
    }
    free(buf);

    // Tags in directory order; a linked object is written once. The padding
    // before each tag is written as zeros, so equal profiles give equal bytes.
    static const unsigned char zeros[4] = {0, 0, 0, 0};
    uint64_t end = (uint64_t)offset + 128 + table_bytes;
    for (unsigned int i = 0; i < p->tag_count; i++) {
        icmTag *e = &p->tag_table[i];
        if (!e->object->placed)
            continue;
        uint64_t at = (uint64_t)offset + e->offset;
        if (at > end && icm_stream_write(fp, end, zeros, (size_t)(at - end)) != 0)
            return icm_err(p, 1, "icc_write: seekp or write failed");
        if ((rv = e->object->write(e->object, at)) != 0)
            return rv;
        e->object->placed = 0;
        end = at + e->size;
    }

    fp->flush();
    if (fp->fail() || fp->bad())
        return icm_err(p, 2, "icc_write fflush() failed");
    return 0;
}

static int icc_find_tag(icc *p, uint32_t sig) {
    int i = find_entry(p, sig);
    if (i < 0)
        return 2;
    return icm_known_type(p->tag_table[i].ttype) ? 0 : 1;
}

static icmBase *icc_read_tag(icc *p, uint32_t sig) {
    int i = find_entry(p, sig);
    if (i < 0) {
        icm_err(p, 2, "icc_read_tag: Tag '%s' not found", tagsig2str(sig));
        return nullptr;
    }
    icmTag *e = &p->tag_table[i];
    if (e->object != nullptr)
        return e->object;

    // Entries with the same type, offset and size are one linked tag.
    for (unsigned int j = 0; j < p->tag_count; j++) {
        const icmTag *o = &p->tag_table[j];
        if ((int)j != i && o->object != nullptr && o->ttype == e->ttype && o->offset == e->offset &&
            o->size == e->size) {
            e->object = o->object;
            e->object->ref_count++;
            return e->object;
        }
    }

    icmBase *(*create)(icc *) = icm_type_creator(e->ttype);
    if (create == nullptr) {
        icm_err(p, 1, "icc_read_tag: Unhandled tag type '%s'", tagtype2str(e->ttype));
        return nullptr;
    }
    icmBase *obj = create(p);
    if (obj == nullptr) {
        // Creation leaves no message; without one a caller would see a stale code.
        icm_err(p, 2, "icc_read_tag: Tag object creation failed");
        return nullptr;
    }
    if (obj->read(obj, e->size, (uint64_t)p->offset + e->offset) != 0) {
        obj->del(obj);
        return nullptr;
    }
    e->object = obj;
    return obj;
}

static icmBase *icc_add_tag(icc *p, uint32_t sig, uint32_t ttype) {
    if (!icm_sig_allows_type(sig, ttype)) {
        icm_err(p, 1, "icc_add_tag: wrong tag type for signature");
        return nullptr;
    }
    icmBase *(*create)(icc *) = icm_type_creator(ttype);
    if (create == nullptr) {
        icm_err(p, 1, "icc_add_tag: unsupported tag type");
        return nullptr;
    }
    if (find_entry(p, sig) >= 0) {
        icm_err(p, 1, "icc_add_tag: Already have tag '%s' in profile", tag2str(sig));
        return nullptr;
    }
    if (!grow_directory(p)) {
        icm_err(p, 2, "icc_add_tag: Tag table realloc() failed");
        return nullptr;
    }
    icmBase *obj = create(p);
    if (obj == nullptr) {
        icm_err(p, 2, "icc_add_tag: Tag object creation failed");
        return nullptr;
    }
    obj->tag_type = ttype;
    icmTag *e = &p->tag_table[p->tag_count];
    e->sig = sig;
    e->ttype = ttype;
    e->offset = 0;
    e->size = 0;
    e->object = obj;
    p->tag_count++;
    return obj;
}

static icmBase *icc_link_tag(icc *p, uint32_t sig, uint32_t ex_sig) {
    int x = find_entry(p, ex_sig);
    if (x < 0) {
        icm_err(p, 1, "icc_link_tag: Can't find existing tag '%s'", tag2str(ex_sig));
        return nullptr;
    }
    icmTag ex = p->tag_table[x];  // a copy: growing the table moves it
    if (ex.object == nullptr) {
        icm_err(p, 1, "icc_link_tag: Existing tag '%s' isn't loaded", tag2str(ex_sig));
        return nullptr;
    }
    if (!icm_sig_allows_type(sig, ex.ttype)) {
        icm_err(p, 1, "icc_link_tag: wrong tag type for signature");
        return nullptr;
    }
    if (find_entry(p, sig) >= 0) {
        icm_err(p, 1, "icc_link_tag: Already have tag '%s' in profile", tag2str(sig));
        return nullptr;
    }
    if (!grow_directory(p)) {
        icm_err(p, 2, "icc_link_tag: Tag table realloc() failed");
        return nullptr;
    }
    icmTag *e = &p->tag_table[p->tag_count];
    *e = ex;
    e->sig = sig;
    e->object->ref_count++;
    p->tag_count++;
    return e->object;
}

static int icc_unread_tag(icc *p, uint32_t sig) {
    int i = find_entry(p, sig);
    if (i < 0)
        return icm_err(p, 2, "icc_unread_tag: Tag '%s' not found", tagsig2str(sig));
    if (p->tag_table[i].object == nullptr)
        return icm_err(p, 2, "icc_unread_tag: Tag '%s' not currently loaded", tagsig2str(sig));
    release(&p->tag_table[i]);
    return 0;
}

static int icc_read_all_tags(icc *p) {
    for (unsigned int i = 0; i < p->tag_count; i++)
        if (icc_read_tag(p, p->tag_table[i].sig) == nullptr)
            return p->error_code;
    return 0;
}

static int icc_delete_tag(icc *p, uint32_t sig) {
    int i = find_entry(p, sig);
    if (i < 0)
        return icm_err(p, 2, "icc_delete_tag: Tag '%s' not found", tagsig2str(sig));
    release(&p->tag_table[i]);
    memmove(&p->tag_table[i], &p->tag_table[i + 1],
            (p->tag_count - (unsigned int)i - 1) * sizeof(icmTag));
    if (--p->tag_count == 0) {
        free(p->tag_table);
        p->tag_table = nullptr;
    }
    return 0;
}

static void icc_dump(icc *p, std::ostream *op, int detail) {
    if (detail <= 0)
        return;
    *op << "icc:\n";
    if (p->header != nullptr)
        p->header->dump(p->header, op, detail);
    for (unsigned int i = 0; i < p->tag_count; i++) {
        const icmTag e = p->tag_table[i];
        *op << "tag " << i << ":\n";
        *op << "  sig      " << tag2str(e.sig) << "\n";
        *op << "  type     " << tag2str(e.ttype) << "\n";
        *op << "  offset   " << e.offset << "\n";
        *op << "  size     " << e.size << "\n";
        icmBase *obj = e.object;
        bool loaded_here = false;
        if (obj == nullptr) {
            obj = icc_read_tag(p, e.sig);
            if (obj == nullptr)
                *op << "Unable to read: " << p->error_code << ", " << p->error_text << "\n";
            else
                loaded_here = true;
        }
        if (obj != nullptr)
            obj->dump(obj, op, detail - 1);
        if (loaded_here)
            icc_unread_tag(p, e.sig);
        *op << "\n";
    }
}

static void icc_delete(icc *p) {
    if (p->header != nullptr)
        p->header->del(p->header);
    free_directory(p);
    free(p);
}

icc *new_icc() {
    icc *p = static_cast<icc *>(calloc(1, sizeof(icc)));
    if (p == nullptr)
        return nullptr;
    p->get_size = icc_get_size;
    p->read = icc_read;
    p->write = icc_write;
    p->dump = icc_dump;
    p->del = icc_delete;
    p->find_tag = icc_find_tag;
    p->read_tag = icc_read_tag;
    p->add_tag = icc_add_tag;
    p->link_tag = icc_link_tag;
    p->unread_tag = icc_unread_tag;
    p->read_all_tags = icc_read_all_tags;
    p->delete_tag = icc_delete_tag;
    p->get_luobj = icc_get_luobj;

    if ((p->header = new_icmHeader(p)) == nullptr) {
        free(p);
        return nullptr;
    }
    icmHeader *h = p->header;
    h->deviceClass = 0xFFFFFFFFu;
    h->colorSpace = 0xFFFFFFFFu;
    h->pcs = 0xFFFFFFFFu;
    h->renderingIntent = 0xFFFFFFFFu;
    h->manufacturer = 0xFFFFFFFFu;
    h->model = 0xFFFFFFFFu;
    h->attributes.l = h->attributes.h = 0;
    h->flags = 0;
    h->creator = icmSig("argl");
    h->cmmId = icmSig("argl");
    h->majv = 2;
    h->minv = 1;
    h->bfv = 0;
    icmDateTimeNumber_set_current(&h->date);
    h->platform = icmSig("MSFT");
    h->illuminant.X = 0.9642;
    h->illuminant.Y = 1.0;
    h->illuminant.Z = 0.8249;
    return p;
}
