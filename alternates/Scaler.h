// Resampling of packed sample rows, band by band, with a separable filter in
// fixed point (weights in units of 1/16384). Self-contained: it calls nothing
// of the host and reports its own errors on the standard error stream.
#pragma once

// A filter: its weight function, its name, a flag and its half-width in
// source pixels at scale 1.
struct ScalerFilter {
  double (*func)(double);
  char* name;
  int flag;
  float support;
};

// One output column or row: source indices [first, end) and their weights,
// which sum to 16384. Identical weight vectors are shared.
struct ScalerContribution {
  int first;
  int end;
  const int* weights;
};

// Sizes and factors; a 0 is "not given".
struct ScalerSize {
  int srcHeight;
  int srcWidth;
  int newHeight;
  int newWidth;
  float hScale;
  float vScale;
};

struct ScalerContext;

// 1.0 inside [-0.5, 0.5] (both ends, within 1e-7), else 0.0.
double BoxFilter(double x);
// "box", "ptbox", "LWbox" or "point"; none for any other name. Free with
// FreeFilter.
ScalerFilter* MakeFilter(const char* name);
void FreeFilter(ScalerFilter* filter);

// The contribution of the source around `centre`; 0 when the centre lies
// beyond the source.
int ComputeContributions(ScalerContext* ctx, double centre, int sourceCount, float scale,
                         const ScalerFilter* filter, ScalerContribution* out);

// Opens a scaler; none when the filter, the sizes, the bit depths (1, 2, 4 or
// 8 only) or the run-length mode (0 plain rows; 2 one byte a sample; 3 pairs
// of value and run) cannot be served. The reserved values are not read.
ScalerContext* ScalerOpen(int windowX, int windowY, int inBits, int inBitsPerPixel, int inRowBits,
                          int reserved, int runLengthMode, const ScalerSize* size,
                          const char* filterName, int reserved2, int reserved3, int outBits,
                          int outBitsPerPixel, int outRowBits, int components);
// Fills a context made zeroed with its layout stored: 0, or -1 (the context
// is then freed).
int ScalerInit(ScalerContext* ctx, const ScalerSize* size, const char* filterName);

// Takes `rowCount` packed rows (source rows first.. on) and writes the output
// rows they complete into *outRows, one after the other, each
// (outRowBits + 7) / 8 bytes. The buffer must hold every row the band can
// complete; when *outRows is null the scaler allocates one, hands it back in
// *outRows and in *scratch, and the caller frees it with free(). Component
// steps are the bits between a pixel's planes (0 for one component). In
// mode 3 the rows must be whole: pairs are read until they cover the width.
// Non-zero on success.
int ScalerRun(ScalerContext* ctx, const unsigned char* rows, int inStep, int firstRow, int rowCount,
              unsigned char** outRows, int outStep, unsigned char** scratch, int* outRowCount);
// After the last source row: writes the one output row still owed from the
// rows at hand, if any, and finishes; later calls write nothing.
int ScalerFlush(ScalerContext* ctx, unsigned char** outRows, int outStep, unsigned char** scratch,
                int* outRowCount);
void ScalerClose(ScalerContext* ctx);
