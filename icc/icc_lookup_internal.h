// What the lookup objects share; not for callers of the library.
#ifndef ZENTU_ICC_ICC_LOOKUP_INTERNAL_H
#define ZENTU_ICC_ICC_LOOKUP_INTERNAL_H

#include "icc/icc_internal.h"
#include "icc/icc_lutspaces.h"

inline bool icm_is_pcs(uint32_t space) {
    return space == icmSig("XYZ ") || space == icmSig("Lab ");
}

// Fills the common part of a zero-filled object: fields, PCS white from the
// header, and the del, spaces and lu_spaces operations.
void icm_lu_init(iccLuBase *p, int kind, icc *icp, uint32_t in_space, uint32_t out_space,
                 const icmXYZNumber *media_white, const icmXYZNumber *media_black, int intent,
                 int func);

// Device to PCS, or PCS to device, as the kind or (for a Lut) the function says.
bool icm_lu_forward(const iccLuBase *p);
bool icm_lu_backward(const iccLuBase *p);

// Absolute colorimetric scaling applies (intent 3 or 99) on the PCS side that
// the direction puts there: the output of a forward lookup, the input of a
// backward one.
bool icm_lu_abs_out(const iccLuBase *p);
bool icm_lu_abs_in(const iccLuBase *p);

// Three PCS values in the encoding of space (XYZ, or Lab that intent 99
// exchanges as XYZ) scaled between relative and absolute.
void icm_lu_rel_to_abs(const iccLuBase *p, uint32_t space, double *out, const double *in);
void icm_lu_abs_to_rel(const iccLuBase *p, uint32_t space, double *out, const double *in);

// The tag sig, read; null without a message when the profile lacks it (a
// failed read leaves the read's message).
icmBase *icm_lu_read_tag(icc *icp, uint32_t sig);

// The curve tag sig; null without a message of its own when it is missing,
// unreadable or not a curve.
icmCurve *icm_lu_curve(icc *icp, uint32_t sig);

#endif
