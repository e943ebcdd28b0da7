// Lut (8-bit and 16-bit) tag types.
#ifndef ZENTU_ICC_ICC_TAGS_LUT_H
#define ZENTU_ICC_ICC_TAGS_LUT_H

// Included by icc/icc.h.

// Channels a Lut can have; corner_offset holds one corner for each subset
// of this many input channels.
constexpr unsigned int icmLutMaxChan = 15;

// Callback of icmLut_set_tables: context, output values, input values.
typedef void (*icmLutCallback)(void *cntx, double *out, const double *in);

// 'mft1' ("Lut8") or 'mft2' ("Lut16"): matrix, input tables, CLUT, output
// tables. Every table value lies between 0.0 and 1.0. The evaluations take
// output and input arrays (which may be the same) and answer 0, or 1 when an
// input had to be clipped into range.
struct icmLut : icmBase {
    // CLUT distance between neighbouring grid points along each input
    // channel, and each cell corner's offset from the cell's base.
    unsigned int grid_stride[icmLutMaxChan];
    unsigned int corner_offset[1u << icmLutMaxChan];

    int (*matrix_is_not_identity)(icmLut *p);
    // Positions (0 to 1 per input channel) of the smallest and largest value
    // of output channel chan over the grid, or of the sum of all outputs
    // when chan is -1.
    void (*clut_min_max)(icmLut *p, double *min_pos, double *max_pos, int chan);
    int (*lookup_matrix)(icmLut *p, double *out, const double *in);
    int (*lookup_input)(icmLut *p, double *out, const double *in);
    // Multilinear; 2 when its weights for more than 8 inputs cannot be had.
    int (*icmLut_lookup_clut)(icmLut *p, double *out, const double *in);
    int (*icmLut_lookup_clut_sx)(icmLut *p, double *out, const double *in);  // simplex
    int (*lookup_output)(icmLut *p, double *out, const double *in);

    unsigned int input_channels;
    unsigned int output_channels;
    unsigned int clut_points;  // along every input channel
    unsigned int input_entries;
    unsigned int output_entries;
    double matrix[3][3];
    double *input_table;   // channel after channel
    double *clut_table;    // first input slowest; a grid point's outputs together
    double *output_table;  // channel after channel

    // Fills the allocated tables through colour-space conversions and the
    // callbacks (input and output may be null, and so may the range arrays):
    // 0, or 1 when a colour space has no conversion for this Lut type.
    int (*icmLut_set_tables)(icmLut *p, void *cntx, uint32_t insig, uint32_t outsig,
                             icmLutCallback infunc, const double *inmin, const double *inmax,
                             icmLutCallback clutfunc, const double *clutmin,
                             const double *clutmax, icmLutCallback outfunc);
};

icmBase *new_icmLut(icc *icp);  // 'mft2' until the type is set or read

int icmLut_lookup_clut(icmLut *p, double *out, const double *in);
int icmLut_lookup_clut_sx(icmLut *p, double *out, const double *in);
int icmLut_set_tables(icmLut *p, void *cntx, uint32_t insig, uint32_t outsig,
                      icmLutCallback infunc, const double *inmin, const double *inmax,
                      icmLutCallback clutfunc, const double *clutmin, const double *clutmax,
                      icmLutCallback outfunc);

// base to the power exp, saturating at the largest 64-bit value.
uint64_t ipow(uint64_t base, unsigned int exp);

#endif
