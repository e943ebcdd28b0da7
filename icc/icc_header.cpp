// The profile header: 128 bytes at the profile's start.
#include "icc/icc_internal.h"

#include <cstdlib>
#include <ostream>

static unsigned int icmHeader_get_size(icmHeader *) {
    return 128;
}

static int icmHeader_read(icmHeader *p, unsigned int len, unsigned int offset) {
    icc *icp = p->profile;
    if (len != 128)
        return icm_err(icp, 1, "icmHeader_read: Length expected to be 128");
    unsigned char *buf = static_cast<unsigned char *>(calloc(1, len));
    if (buf == nullptr)
        return icm_err(icp, 2, "icmHeader_read: malloc() failed");
    // Always positioned: the stream may stand anywhere after an earlier use.
    if (icm_stream_read(icp->stream, offset, buf, len) != 0) {
        free(buf);
        return icm_err(icp, 1, "icmHeader_read: read failed");
    }

    p->size = read_UInt32Number(buf + 0);
    p->cmmId = read_UInt32Number(buf + 4);
    unsigned int v = read_UInt8Number(buf + 8);
    p->majv = (int)((v >> 4) * 10 + (v & 0xf));
    v = read_UInt8Number(buf + 9);
    p->minv = (int)(v >> 4);
    p->bfv = (int)(v & 0xf);
    p->deviceClass = read_UInt32Number(buf + 12);
    p->colorSpace = read_UInt32Number(buf + 16);
    p->pcs = read_UInt32Number(buf + 20);
    if (read_DateTimeNumber(&p->date, buf + 24) != 0) {
        // Not fatal: the date falls back to the earliest legal one.
        icm_err(icp, icp->error_code, "icmHeader_read: read_DateTimeNumber error");
        p->date.year = 1900;
        p->date.month = 1;
        p->date.day = 1;
        p->date.hours = p->date.minutes = p->date.seconds = 0;
    }
    uint32_t magic = read_UInt32Number(buf + 36);
    if (magic != icmSig("acsp")) {
        free(buf);
        return icm_err(icp, 1, "icmHeader_read: wrong magic number 0x%x", (unsigned int)magic);
    }
    p->platform = read_UInt32Number(buf + 40);
    p->flags = read_UInt32Number(buf + 44);
    p->manufacturer = read_UInt32Number(buf + 48);
    p->model = read_UInt32Number(buf + 52);
    p->attributes = read_UInt64Number(buf + 56);
    p->renderingIntent = read_UInt32Number(buf + 64);
    int rv = read_XYZNumber(&p->illuminant, buf + 68);
    if (rv != 0) {
        free(buf);
        return icm_err(icp, rv, "icmHeader_read: read_XYZNumber error");
    }
    p->creator = read_UInt32Number(buf + 80);
    free(buf);
    return 0;
}

static int icmHeader_write(icmHeader *p, unsigned int offset) {
    icc *icp = p->profile;
    unsigned char *buf = static_cast<unsigned char *>(calloc(1, 128));
    if (buf == nullptr)
        return icm_err(icp, 2, "icmHeader_write malloc() failed");

    int rv = 0;
    const char *what = nullptr;
    if ((rv = write_UInt32Number(p->size, buf + 0)) != 0) {
        what = "icmHeader_write: profile size";
    } else if ((rv = write_SInt32Number((int)p->cmmId, buf + 4)) != 0) {
        what = "icmHeader_write: cmmId";
    } else if (p->majv < 0 || p->majv > 99 || p->minv < 0 || p->minv > 9 || p->bfv < 0 ||
               p->bfv > 9) {
        rv = 1;
        what = "icmHeader_write: version number";
    } else if ((rv = write_UInt8Number((unsigned int)((p->majv / 10) << 4 | (p->majv % 10)),
                                       buf + 8)) != 0) {
        what = "icmHeader_write: Uint8Number major version";
    } else if ((rv = write_UInt8Number((unsigned int)(p->minv << 4 | p->bfv), buf + 9)) != 0) {
        what = "icmHeader_write: Uint8Number minor/bug fix";
    } else if ((rv = write_SInt32Number((int)p->deviceClass, buf + 12)) != 0) {
        what = "icmHeader_write: SInt32Number deviceClass";
    } else if ((rv = write_SInt32Number((int)p->colorSpace, buf + 16)) != 0) {
        what = "icmHeader_write: SInt32Number data color space";
    } else if ((rv = write_SInt32Number((int)p->pcs, buf + 20)) != 0) {
        what = "icmHeader_write: SInt32Number PCS";
    } else if ((rv = write_DateTimeNumber(&p->date, buf + 24)) != 0) {
        what = "icmHeader_write: DateTimeNumber creation";
    } else if ((rv = write_SInt32Number((int)icmSig("acsp"), buf + 36)) != 0) {
        what = "icmHeader_write: SInt32Number magic";
    } else if ((rv = write_SInt32Number((int)p->platform, buf + 40)) != 0) {
        what = "icmHeader_write: SInt32Number platform";
    } else if ((rv = write_UInt32Number(p->flags, buf + 44)) != 0) {
        what = "icmHeader_write: UInt32Number flags";
    } else if ((rv = write_SInt32Number((int)p->manufacturer, buf + 48)) != 0) {
        what = "icmHeader_write: SInt32Number manufaturer";
    } else if ((rv = write_SInt32Number((int)p->model, buf + 52)) != 0) {
        what = "icmHeader_write: SInt32Number model";
    } else if ((rv = write_UInt64Number(&p->attributes, buf + 56)) != 0) {
        what = "icmHeader_write: UInt64Number attributes";
    } else if ((rv = write_SInt32Number((int)p->renderingIntent, buf + 64)) != 0) {
        what = "icmHeader_write: SInt32Number rendering intent";
    } else if ((rv = write_XYZNumber(&p->illuminant, buf + 68)) != 0) {
        what = "icmHeader_write: XYZNumber illuminant";
    } else if ((rv = write_SInt32Number((int)p->creator, buf + 80)) != 0) {
        what = "icmHeader_write: SInt32Number creator";
    }
    if (rv != 0) {
        free(buf);
        return icm_err(icp, rv, "%s", what);
    }

    if (icm_stream_write(icp->stream, offset, buf, 128) != 0) {
        free(buf);
        return icm_err(icp, 2, "icmHeader_write write failed");
    }
    free(buf);
    return 0;
}

static void icmHeader_dump(icmHeader *p, std::ostream *op, int detail) {
    if (detail <= 0)
        return;
    *op << "Header:\n";
    *op << "  size         = " << p->size << " bytes\n";
    *op << "  CMM          = " << tag2str(p->cmmId) << "\n";
    *op << "  Version      = " << p->majv << "." << p->minv << "." << p->bfv << "\n";
    *op << "  Device Class = " << devclass2str(p->deviceClass) << "\n";
    *op << "  Color Space  = " << colorspace2str(p->colorSpace) << "\n";
    *op << "  Conn. Space  = " << colorspace2str(p->pcs) << "\n";
    *op << "  Date, Time   = " << DateTimeNumber2str(&p->date) << "\n";
    *op << "  Platform     = " << platform2str(p->platform) << "\n";
    *op << "  Flags        = " << profflags2str(p->flags) << "\n";
    *op << "  Dev. Mnfctr. = " << tag2str(p->manufacturer) << "\n";
    *op << "  Dev. Model   = " << tag2str(p->model) << "\n";
    *op << "  Dev. Attrbts = " << devattr2str(p->attributes) << "\n";
    *op << "  Rndrng Intnt = " << intent2str(p->renderingIntent) << "\n";
    *op << "  Illuminant   = " << XYZ2str(&p->illuminant) << "\n";
    *op << "  Creator      = " << tag2str(p->creator) << "\n";
    *op << "\n";
}

static void icmHeader_delete(icmHeader *p) {
    free(p);
}

icmHeader *new_icmHeader(icc *icp) {
    icmHeader *p = static_cast<icmHeader *>(calloc(1, sizeof(icmHeader)));
    if (p == nullptr)
        return nullptr;
    p->get_size = icmHeader_get_size;
    p->read = icmHeader_read;
    p->write = icmHeader_write;
    p->del = icmHeader_delete;
    p->dump = icmHeader_dump;
    p->profile = icp;
    return p;
}
