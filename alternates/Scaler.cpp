#include "alternates/Scaler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <set>
#include <stdexcept>
#include <vector>

namespace {

const int kOne = 16384;  // the sum of one record's weights

bool ValidBits(int bits) { return bits == 1 || bits == 2 || bits == 4 || bits == 8; }

size_t Bytes(int rowBits) { return (static_cast<size_t>(rowBits) + 7) / 8; }

}  // namespace

struct ScalerContext {
  int windowX = 0, windowY = 0;
  int inBits = 0, inBitsPerPixel = 0, inRowBits = 0;
  int runLengthMode = 0;
  int srcWidth = 0, srcHeight = 0, newWidth = 0, newHeight = 0;
  float vScale = 0, hScale = 0;
  ScalerFilter* filter = nullptr;
  int outBits = 0, outBitsPerPixel = 0, outRowBits = 0, components = 0;
  std::vector<ScalerContribution> columns, rows;
  std::set<std::vector<int>> weightPool;  // shared weight vectors; nodes never move
  // Per plane, `ringSize` horizontally filtered rows of newWidth values.
  int ringSize = 1;
  std::vector<int> ring;
  std::vector<int> ringRow;  // the source row each slot holds, -1 for none
  std::vector<int> accumulator;
  std::vector<int> samples;      // one unpacked plane of a source row
  std::vector<char> rowNeeded;   // per source row
  int rowsDone = 0;              // output rows delivered
  bool finished = false;
};

double BoxFilter(double x) {
  return (-0.5 <= x + 0.0000001 && x - 0.0000001 <= 0.5) ? 1.0 : 0.0;
}

ScalerFilter* MakeFilter(const char* name) {
  if (!name) return nullptr;
  float support;
  if (!std::strcmp(name, "box") || !std::strcmp(name, "ptbox"))
    support = 0.5f;
  else if (!std::strcmp(name, "LWbox"))
    support = 0.25f;
  else if (!std::strcmp(name, "point"))
    support = 0.0f;
  else
    return nullptr;
  auto* f = static_cast<ScalerFilter*>(std::calloc(1, sizeof(ScalerFilter)));
  if (!f) return nullptr;
  f->name = static_cast<char*>(std::malloc(std::strlen(name) + 1));
  if (!f->name) {
    std::free(f);
    return nullptr;
  }
  std::strcpy(f->name, name);
  f->func = BoxFilter;
  f->flag = 0;
  f->support = support;
  return f;
}

void FreeFilter(ScalerFilter* filter) {
  if (!filter) return;
  std::free(filter->name);
  std::free(filter);
}

namespace {

// Gives a weight vector its shared copy.
const int* Share(ScalerContext* ctx, std::vector<int> weights) {
  return ctx->weightPool.insert(std::move(weights)).first->data();
}

// Brings the weights up to exactly 16384: the remainder goes to the centre
// tap, or is split with the tap before it when the count is even.
void Complete(std::vector<int>& weights, int first, double centre) {
  long long sum = 0;
  for (int w : weights) sum += w;
  int taps = static_cast<int>(weights.size());
  int c = static_cast<int>(centre) - first;
  if (c < 0) c = 0;
  if (c >= taps) c = taps - 1;
  long long rest = kOne - sum;
  if (rest == 0) return;
  if (rest < 0 || taps % 2 == 1 || c == 0) {
    weights[c] += static_cast<int>(rest);
    return;
  }
  weights[c - 1] += static_cast<int>(rest / 2);
  weights[c] += static_cast<int>(rest - rest / 2);
}

}  // namespace

int ComputeContributions(ScalerContext* ctx, double centre, int sourceCount, float scale,
                         const ScalerFilter* filter, ScalerContribution* out) {
  if (!ctx || !filter || !out || !(scale > 0) || sourceCount < 1) return 0;
  if (centre > sourceCount) return 0;
  double halfWidth = filter->support / scale;
  double low = std::max(centre - halfWidth, 0.0);
  double high = std::min(centre + halfWidth, static_cast<double>(sourceCount - 1));
  int first = static_cast<int>(low);
  int end = static_cast<int>(high + 1);
  if (end > sourceCount) end = sourceCount;
  if (first >= end) {
    *out = ScalerContribution{first, first, nullptr};
    return 1;
  }
  std::vector<int> weights;
  if (!std::strcmp(filter->name, "ptbox")) {
    // Below a fifth of the size: three taps around the centre pixel.
    int c = std::min(static_cast<int>(centre), sourceCount - 1);
    first = std::max(c - 1, 0);
    end = std::min(c + 2, sourceCount);
    for (int k = first; k < end; ++k) weights.push_back(k == c ? kOne / 2 : kOne / 4);
  } else {
    std::vector<double> f(static_cast<size_t>(end - first));
    double total = 0;
    for (int k = first; k < end; ++k) total += f[k - first] = filter->func((k + 0.5 - centre) * scale);
    double factor = total == 0 ? kOne : kOne / total;
    for (double v : f) weights.push_back(static_cast<int>(v * factor));
    size_t lead = 0;
    while (lead < weights.size() && weights[lead] == 0) ++lead;
    weights.erase(weights.begin(), weights.begin() + static_cast<long>(lead));
    first += static_cast<int>(lead);
    while (!weights.empty() && weights.back() == 0) weights.pop_back();
    end = first + static_cast<int>(weights.size());
  }
  if (weights.empty()) {
    first = std::min(std::max(static_cast<int>(centre), 0), sourceCount - 1);
    end = first + 1;
    weights.assign(1, kOne);
  }
  Complete(weights, first, centre);
  *out = ScalerContribution{first, end, Share(ctx, std::move(weights))};
  return 1;
}

namespace {

// The scale factor and the sizes of one axis: a factor given wins and sizes
// follow from it; else both sizes give it.
bool Axis(int& src, int& dst, float& factor) {
  if (!(factor >= 0)) return false;
  if (factor == 0) {
    if (src > 0 && dst > 0) factor = static_cast<float>(dst) / static_cast<float>(src);
    return true;
  }
  double derived;
  if (src > 0) {
    derived = std::floor(src * static_cast<double>(factor) + 0.5);
    if (derived < 1 || derived > (1 << 30)) return false;
    dst = static_cast<int>(derived);
  } else if (dst > 0) {
    derived = std::floor(dst / static_cast<double>(factor) + 0.5);
    if (derived < 1 || derived > (1 << 30)) return false;
    src = static_cast<int>(derived);
  }
  return true;
}

bool Fill(ScalerContext* ctx, const ScalerSize* size, const char* filterName) {
  if (!size) return false;
  int srcW = size->srcWidth, srcH = size->srcHeight, newW = size->newWidth, newH = size->newHeight;
  float h = size->hScale, v = size->vScale;
  if (!Axis(srcW, newW, h) || !Axis(srcH, newH, v)) return false;
  if (v == 0 && h > 0) {
    v = h;
    if (!Axis(srcH, newH, v)) return false;
  }
  if (h == 0 && v > 0) {
    h = v;
    if (!Axis(srcW, newW, h)) return false;
  }
  if (!(h > 0) || !(v > 0) || srcW < 1 || srcH < 1 || newW < 1 || newH < 1) return false;
  // The rows given must hold the pixels they claim.
  if (static_cast<long long>(srcW) * ctx->inBitsPerPixel > ctx->inRowBits ||
      static_cast<long long>(newW) * ctx->outBitsPerPixel > ctx->outRowBits)
    return false;
  ctx->srcWidth = srcW;
  ctx->srcHeight = srcH;
  ctx->newWidth = newW;
  ctx->newHeight = newH;
  ctx->hScale = h;
  ctx->vScale = v;

  const char* name = filterName;
  if (name && !std::strcmp(name, "ptbox") && (h > 0.2f || v > 0.2f)) name = "box";
  ctx->filter = MakeFilter(name);
  if (!ctx->filter) return false;

  ctx->rows.resize(static_cast<size_t>(newH));
  ctx->columns.resize(static_cast<size_t>(newW));
  for (int i = 0; i < newH; ++i)
    if (!ComputeContributions(ctx, (i + 0.5) / v + ctx->windowY, srcH, v, ctx->filter, &ctx->rows[i]))
      return false;
  for (int j = 0; j < newW; ++j)
    if (!ComputeContributions(ctx, (j + 0.5) / h + ctx->windowX, srcW, h, ctx->filter, &ctx->columns[j]))
      return false;
  ctx->rowNeeded.assign(static_cast<size_t>(srcH), 0);
  int ring = 1;
  for (const ScalerContribution& r : ctx->rows) {
    ring = std::max(ring, r.end - r.first);
    for (int k = r.first; k < r.end; ++k) ctx->rowNeeded[k] = 1;
  }
  ctx->ringSize = ring;
  size_t planes = static_cast<size_t>(ctx->components);
  ctx->ring.assign(planes * static_cast<size_t>(ring) * static_cast<size_t>(newW), 0);
  ctx->ringRow.assign(static_cast<size_t>(ring), -1);
  ctx->accumulator.assign(static_cast<size_t>(newW), 0);
  ctx->samples.assign(static_cast<size_t>(srcW), 0);
  return true;
}

int* Slot(ScalerContext* ctx, int plane, int sourceRow) {
  size_t slot = static_cast<size_t>(sourceRow % ctx->ringSize);
  size_t w = static_cast<size_t>(ctx->newWidth);
  return &ctx->ring[(static_cast<size_t>(plane) * static_cast<size_t>(ctx->ringSize) + slot) * w];
}

// One sample of `bits` bits at a bit offset; reads only the bytes it spans.
inline unsigned Sample(const unsigned char* row, size_t bit, int bits) {
  if (bits == 8 && (bit & 7) == 0) return row[bit >> 3];
  size_t byte = bit >> 3;
  unsigned shift = static_cast<unsigned>(bit & 7);
  unsigned mask = (1u << bits) - 1;
  if (shift + static_cast<unsigned>(bits) <= 8) return (row[byte] >> (8 - shift - bits)) & mask;
  unsigned two = (static_cast<unsigned>(row[byte]) << 8) | row[byte + 1];
  return (two >> (16 - shift - bits)) & mask;
}

inline void Put(unsigned char* row, size_t bit, int bits, unsigned value) {
  if (bits == 8 && (bit & 7) == 0) {
    row[bit >> 3] = static_cast<unsigned char>(value);
    return;
  }
  size_t byte = bit >> 3;
  unsigned shift = static_cast<unsigned>(bit & 7);
  if (shift + static_cast<unsigned>(bits) <= 8) {
    row[byte] = static_cast<unsigned char>(row[byte] | (value << (8 - shift - bits)));
    return;
  }
  unsigned two = value << (16 - shift - bits);
  row[byte] = static_cast<unsigned char>(row[byte] | (two >> 8));
  row[byte + 1] = static_cast<unsigned char>(row[byte + 1] | (two & 0xFF));
}

// Filters one unpacked plane horizontally into its ring slot.
void FilterRow(ScalerContext* ctx, const int* samples, int* out) {
  int shift = ctx->inBits;
  for (int j = 0; j < ctx->newWidth; ++j) {
    const ScalerContribution& c = ctx->columns[j];
    const int* w = c.weights;
    const int* s = samples + c.first;
    int taps = c.end - c.first;
    int sum;
    switch (taps) {
      case 0: sum = 0; break;
      case 1: sum = w[0] * s[0]; break;
      case 2: sum = w[0] * s[0] + w[1] * s[1]; break;
      case 3: sum = w[0] * s[0] + w[1] * s[1] + w[2] * s[2]; break;
      case 4: sum = w[0] * s[0] + w[1] * s[1] + w[2] * s[2] + w[3] * s[3]; break;
      default:
        sum = 0;
        for (int t = 0; t < taps; ++t) sum += w[t] * s[t];
    }
    out[j] = sum >> shift;
  }
  if (ctx->outBits > ctx->inBits) {
    int mul = ((1 << ctx->outBits) - 1) / ((1 << ctx->inBits) - 1);
    int down = ctx->outBits - ctx->inBits;
    for (int j = 0; j < ctx->newWidth; ++j) out[j] = (out[j] * mul) >> down;
  }
}

// Unpacks and filters one source row (all planes) into the ring.
bool TakeRow(ScalerContext* ctx, const unsigned char* row, int inStep, int sourceRow) {
  int* samples = ctx->samples.data();
  for (int p = 0; p < ctx->components; ++p) {
    if (ctx->runLengthMode == 0) {
      size_t bit = static_cast<size_t>(p) * static_cast<size_t>(inStep);
      size_t bpp = static_cast<size_t>(ctx->inBitsPerPixel);
      if (ctx->inBits == 8 && bpp % 8 == 0 && bit % 8 == 0) {
        const unsigned char* s = row + bit / 8;
        size_t step = bpp / 8;
        for (int x = 0; x < ctx->srcWidth; ++x, s += step) samples[x] = *s;
      } else {
        for (int x = 0; x < ctx->srcWidth; ++x, bit += bpp) samples[x] = static_cast<int>(Sample(row, bit, ctx->inBits));
      }
    } else {
      for (int x = 0; x < ctx->srcWidth; ++x) samples[x] = row[x];
    }
    FilterRow(ctx, samples, Slot(ctx, p, sourceRow));
  }
  ctx->ringRow[static_cast<size_t>(sourceRow % ctx->ringSize)] = sourceRow;
  return true;
}

// Makes output row `i` from the ring; with `partial`, from the rows at hand
// only (their weights scaled up to the whole). False when a row is missing.
bool MakeRow(ScalerContext* ctx, int i, unsigned char* out, int outStep, bool partial, bool* any) {
  const ScalerContribution& r = ctx->rows[i];
  long long present = 0;
  for (int k = r.first; k < r.end; ++k) {
    if (ctx->ringRow[static_cast<size_t>(k % ctx->ringSize)] == k)
      present += r.weights[k - r.first];
    else if (!partial)
      return false;
  }
  *any = r.first == r.end || present > 0;
  if (!*any) return true;
  size_t rowBytes = Bytes(ctx->outRowBits);
  std::memset(out, 0, rowBytes);
  int top = (1 << ctx->outBits) - 1;
  int shift = 14 - ctx->outBits;
  int* acc = ctx->accumulator.data();
  size_t bpp = static_cast<size_t>(ctx->outBitsPerPixel);
  for (int p = 0; p < ctx->components; ++p) {
    std::fill(ctx->accumulator.begin(), ctx->accumulator.end(), 0);
    for (int k = r.first; k < r.end; ++k) {
      if (ctx->ringRow[static_cast<size_t>(k % ctx->ringSize)] != k) continue;
      int w = r.weights[k - r.first];
      if (partial && present < kOne) w = static_cast<int>(w * static_cast<long long>(kOne) / present);
      const int* h = Slot(ctx, p, k);
      for (int j = 0; j < ctx->newWidth; ++j) acc[j] += w * h[j];
    }
    size_t bit = static_cast<size_t>(p) * static_cast<size_t>(outStep);
    if (ctx->outBits == 8 && bpp % 8 == 0 && bit % 8 == 0) {
      unsigned char* o = out + bit / 8;
      size_t step = bpp / 8;
      for (int j = 0; j < ctx->newWidth; ++j, o += step) {
        int v = ((acc[j] >> shift) + 8192) >> 14;
        *o = static_cast<unsigned char>(v > top ? top : v);
      }
    } else {
      for (int j = 0; j < ctx->newWidth; ++j, bit += bpp) {
        int v = ((acc[j] >> shift) + 8192) >> 14;
        Put(out, bit, ctx->outBits, static_cast<unsigned>(v > top ? top : v));
      }
    }
  }
  return true;
}

bool StepsFit(const ScalerContext* ctx, int inStep, int outStep) {
  long long last = ctx->components - 1;
  if (inStep < 0 || outStep < 0) return false;
  if (ctx->runLengthMode == 0 && last * inStep + ctx->inBits > ctx->inBitsPerPixel) return false;
  return last * outStep + ctx->outBits <= ctx->outBitsPerPixel;
}

}  // namespace

ScalerContext* ScalerOpen(int windowX, int windowY, int inBits, int inBitsPerPixel, int inRowBits, int,
                          int runLengthMode, const ScalerSize* size, const char* filterName, int, int,
                          int outBits, int outBitsPerPixel, int outRowBits, int components) {
  if (runLengthMode == 1) {
    std::fputs("Non-paletted RLE data not supported.\n", stderr);
    return nullptr;
  }
  if (runLengthMode != 0 && runLengthMode != 2 && runLengthMode != 3) return nullptr;
  if (runLengthMode != 0 && inBits % 8 != 0) {
    std::fputs("RLE format where the size of the run and value is not a multiple of 8 bits\nis not yet supported.\n",
               stderr);
    return nullptr;
  }
  // Shifts below assume at most 8 bits a sample, in and out.
  if (!ValidBits(inBits) || !ValidBits(outBits) || components < 1 || components > 32) return nullptr;
  if (runLengthMode != 0 && components != 1) return nullptr;
  if (inBitsPerPixel < inBits || outBitsPerPixel < outBits || inRowBits < 0 || outRowBits < 0) return nullptr;
  auto* ctx = new (std::nothrow) ScalerContext();
  if (!ctx) return nullptr;
  ctx->windowX = windowX;
  ctx->windowY = windowY;
  ctx->inBits = inBits;
  ctx->inBitsPerPixel = runLengthMode ? 8 : inBitsPerPixel;
  ctx->inRowBits = inRowBits;
  ctx->runLengthMode = runLengthMode;
  ctx->outBits = outBits;
  ctx->outBitsPerPixel = outBitsPerPixel;
  ctx->outRowBits = outRowBits;
  ctx->components = components;
  if (runLengthMode) ctx->inRowBits = 0x7FFFFFFF;  // rows are measured as they are read
  if (ScalerInit(ctx, size, filterName) != 0) return nullptr;
  return ctx;
}

int ScalerInit(ScalerContext* ctx, const ScalerSize* size, const char* filterName) {
  if (!ctx) return -1;
  bool ok;
  try {
    ok = Fill(ctx, size, filterName);
  } catch (const std::bad_alloc&) {
    ok = false;
  } catch (const std::length_error&) {
    ok = false;
  }
  if (!ok) {
    ScalerClose(ctx);
    return -1;
  }
  return 0;
}

namespace {

// Output rows that source rows up to `lastRow` complete, from the next on.
int RowsCompleted(const ScalerContext* ctx, int lastRow) {
  int n = 0;
  for (int i = ctx->rowsDone; i < ctx->newHeight && ctx->rows[i].end <= lastRow + 1; ++i) ++n;
  return n;
}

unsigned char* OutputFor(int rows, size_t rowBytes, unsigned char** outRows, unsigned char** scratch) {
  if (scratch) *scratch = nullptr;
  if (*outRows) return *outRows;
  auto* block = static_cast<unsigned char*>(std::calloc(static_cast<size_t>(rows > 0 ? rows : 1), rowBytes ? rowBytes : 1));
  if (!block) return nullptr;
  *outRows = block;
  if (scratch) *scratch = block;
  return block;
}

}  // namespace

int ScalerRun(ScalerContext* ctx, const unsigned char* rows, int inStep, int firstRow, int rowCount,
              unsigned char** outRows, int outStep, unsigned char** scratch, int* outRowCount) {
  if (outRowCount) *outRowCount = 0;
  if (!ctx || !outRows || !outRowCount || rowCount < 0 || (!rows && rowCount > 0)) return 0;
  if (ctx->components == 1) inStep = outStep = 0;
  if (!StepsFit(ctx, inStep, outStep)) return 0;
  if (firstRow < 0 || firstRow > ctx->srcHeight - rowCount) return 0;
  size_t outBytes = Bytes(ctx->outRowBits);
  unsigned char* out = OutputFor(rowCount ? RowsCompleted(ctx, firstRow + rowCount - 1) : 0, outBytes,
                                 outRows, scratch);
  if (!out) return 0;
  try {
    size_t inBytes = Bytes(ctx->inRowBits);
    const unsigned char* cursor = rows;
    std::vector<unsigned char> expanded;
    for (int r = 0; r < rowCount; ++r) {
      int sourceRow = firstRow + r;
      const unsigned char* row = cursor;
      if (ctx->runLengthMode == 0) {
        cursor += inBytes;
      } else if (ctx->runLengthMode == 2) {
        cursor += ctx->srcWidth;
      } else {
        // Pairs of value and run length that cover the row exactly.
        expanded.assign(static_cast<size_t>(ctx->srcWidth), 0);
        int x = 0;
        while (x < ctx->srcWidth) {
          int value = cursor[0], run = cursor[1];
          cursor += 2;
          if (run == 0 || run > ctx->srcWidth - x) {
            std::fprintf(stderr, "ERROR: run=%d sample=%d\n", run, x);
            return 0;
          }
          std::memset(&expanded[static_cast<size_t>(x)], value, static_cast<size_t>(run));
          x += run;
        }
        row = expanded.data();
      }
      if (ctx->rowNeeded[static_cast<size_t>(sourceRow)]) TakeRow(ctx, row, inStep, sourceRow);
      while (ctx->rowsDone < ctx->newHeight && ctx->rows[ctx->rowsDone].end <= sourceRow + 1) {
        bool any;
        if (!MakeRow(ctx, ctx->rowsDone, out + outBytes * static_cast<size_t>(*outRowCount), outStep, false, &any))
          return 0;  // a row it needs was never given
        ++ctx->rowsDone;
        ++*outRowCount;
      }
    }
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

int ScalerFlush(ScalerContext* ctx, unsigned char** outRows, int outStep, unsigned char** scratch,
                int* outRowCount) {
  if (outRowCount) *outRowCount = 0;
  if (!ctx || !outRows || !outRowCount) return 0;
  if (scratch) *scratch = nullptr;
  if (ctx->finished || ctx->rowsDone >= ctx->newHeight) {
    ctx->finished = true;
    return 1;
  }
  ctx->finished = true;
  if (ctx->components == 1) outStep = 0;
  if (!StepsFit(ctx, 0, outStep)) return 0;
  unsigned char* out = OutputFor(1, Bytes(ctx->outRowBits), outRows, scratch);
  if (!out) return 0;
  bool any = false;
  MakeRow(ctx, ctx->rowsDone, out, outStep, true, &any);
  if (any) {
    ++ctx->rowsDone;
    *outRowCount = 1;
  }
  return 1;
}

void ScalerClose(ScalerContext* ctx) {
  if (!ctx) return;
  FreeFilter(ctx->filter);
  delete ctx;
}
