// Named colour, description, sequence, signature, screening, CRD, viewing and
// UCR/BG tag types.
#ifndef ZENTU_ICC_ICC_TAGS_MORE_H
#define ZENTU_ICC_ICC_TAGS_MORE_H

// Included by icc/icc.h.

// Most device coordinates a named colour holds.
constexpr unsigned int icmNamedColor_max_devcoords = 15;

// One named colour. Its readers and writers take the position in a staging
// buffer and the buffer's end, the PCS ('ncl2') or colour space ('ncol') and
// the number of device coordinates; the caller advances the position.
struct icmNamedColorVal {
    icc *icp;
    char root[32];  // terminated
    double pcsCoords[3];
    double deviceCoords[icmNamedColor_max_devcoords];
};

int icmNamedColorVal_read(icmNamedColorVal *p, const unsigned char *bp, const unsigned char *end,
                          uint32_t sig, unsigned int ndc);
int icmNamedColorVal_write(icmNamedColorVal *p, unsigned char *bp, unsigned char *end, uint32_t sig,
                           unsigned int ndc);
int icmNamedColorVal2_read(icmNamedColorVal *p, const unsigned char *bp, const unsigned char *end,
                           uint32_t pcs, unsigned int ndc);
int icmNamedColorVal2_write(icmNamedColorVal *p, unsigned char *bp, unsigned char *end, uint32_t pcs,
                            unsigned int ndc);

// 'ncol' and 'ncl2'; tag_type tells which.
struct icmNamedColor : icmBase {
    unsigned int vendorFlag;
    unsigned int count;          // colours
    unsigned int nDeviceCoords;  // from the header's colour space at creation
    char prefix[32];             // terminated
    char suffix[32];             // terminated
    icmNamedColorVal *data;      // count of them
};

// 'desc'. The inner read and write work on a running position in a buffer,
// which they leave after the description (on failure where they stopped);
// the sequence type uses them for the descriptions it embeds.
struct icmTextDescription : icmBase {
    int (*core_read)(icmTextDescription *p, const unsigned char **bpp, const unsigned char *end);
    int (*core_write)(icmTextDescription *p, unsigned char **bpp, unsigned char *end);
    unsigned int size;        // ASCII characters including the terminator
    char *desc;
    unsigned int ucLangCode;
    unsigned int ucSize;      // Unicode characters including the terminator
    uint16_t *ucDesc;
    unsigned int scCode;      // 16 bits on file
    unsigned int scSize;      // one byte on file; at most 67
    unsigned char scDesc[67];
};

// One element of a profile sequence. Its descriptions live in place: they
// are freed with the sequence, never by their own delete.
struct icmDescStruct {
    icc *icp;
    int (*allocate)(icmDescStruct *p);
    uint32_t deviceMfg;
    uint32_t deviceModel;
    icmUint64 attributes;
    uint32_t technology;
    icmTextDescription device;
    icmTextDescription model;
};

int icmDescStruct_read(icmDescStruct *p, const unsigned char **bpp, const unsigned char *end);
int icmDescStruct_write(icmDescStruct *p, unsigned char **bpp, unsigned char *end);

struct icmProfileSequenceDesc : icmBase {  // 'pseq'
    unsigned int count;
    icmDescStruct *data;
};

struct icmSignature : icmBase {  // 'sig '
    uint32_t sig;                // the technology
};

struct icmScreeningData {
    double frequency;
    double angle;
    int spotShape;
};

struct icmScreening : icmBase {  // 'scrn'
    unsigned int screeningFlag;
    unsigned int channels;
    icmScreeningData *data;
};

struct icmCrdInfo : icmBase {  // 'crdi'
    unsigned int ppsize;       // bytes including the terminator
    char *ppname;
    unsigned int crdsize[4];   // one per rendering intent
    char *crdname[4];
};

struct icmViewingConditions : icmBase {  // 'view'
    icmXYZNumber illuminant;  // cd/m^2
    icmXYZNumber surround;    // cd/m^2
    int stdIlluminant;        // as the measurement type's illuminant
};

// 'bfd '. A count of 1 holds a percentage; other counts a curve of 0..1.
struct icmUcrBg : icmBase {
    unsigned int UCRcount;
    double *UCRcurve;
    unsigned int BGcount;
    double *BGcurve;
    unsigned int size;  // description bytes including the terminator
    char *string;
};

icmBase *new_icmNamedColor(icc *icp);
icmBase *new_icmTextDescription(icc *icp);
icmBase *new_icmProfileSequenceDesc(icc *icp);
icmBase *new_icmSignature(icc *icp);
icmBase *new_icmScreening(icc *icp);
icmBase *new_icmCrdInfo(icc *icp);
icmBase *new_icmViewingConditions(icc *icp);
icmBase *new_icmUcrBg(icc *icp);

const char *screenflags2str(unsigned int flags);
const char *spotshape2str(int shape);
const char *technology2str(uint32_t sig);

#endif
