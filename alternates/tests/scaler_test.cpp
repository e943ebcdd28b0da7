#include "alternates/Scaler.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

struct Image {
  int width, height, components, bits;
  std::vector<unsigned char> data;
  size_t RowBytes() const { return (static_cast<size_t>(width) * components * bits + 7) / 8; }
};

ScalerContext* Open(const Image& in, int newW, int newH, const char* filter) {
  ScalerSize size{in.height, in.width, newH, newW, 0, 0};
  int bpp = in.bits * in.components;
  int outRowBits = static_cast<int>((static_cast<size_t>(newW) * bpp + 7) / 8 * 8);
  return ScalerOpen(0, 0, in.bits, bpp, static_cast<int>(in.RowBytes() * 8), 0, 0, &size, filter, 0, 0, in.bits,
                    bpp, outRowBits, in.components);
}

// Scales `in` fed in bands of `band` rows; the output rows one after the other.
std::vector<unsigned char> Scale(const Image& in, int newW, int newH, const char* filter, int band) {
  ScalerContext* ctx = Open(in, newW, newH, filter);
  EXPECT_NE(ctx, nullptr);
  if (!ctx) return {};
  int step = in.components == 1 ? 0 : in.bits;
  std::vector<unsigned char> out;
  for (int row = 0; row < in.height; row += band) {
    int n = std::min(band, in.height - row);
    unsigned char* rows = nullptr;
    unsigned char* scratch = nullptr;
    int made = 0;
    EXPECT_NE(ScalerRun(ctx, in.data.data() + row * in.RowBytes(), step, row, n, &rows, step, &scratch, &made), 0);
    size_t rowBytes = (static_cast<size_t>(newW) * in.components * in.bits + 7) / 8;
    out.insert(out.end(), rows, rows + made * rowBytes);
    std::free(scratch);
  }
  unsigned char* rows = nullptr;
  unsigned char* scratch = nullptr;
  int made = 0;
  EXPECT_NE(ScalerFlush(ctx, &rows, step, &scratch, &made), 0);
  EXPECT_EQ(made, 0) << "every row was given";
  std::free(scratch);
  ScalerClose(ctx);
  return out;
}

Image Random(int w, int h, int components, int bits, std::mt19937& rng) {
  Image im{w, h, components, bits, {}};
  im.data.resize(im.RowBytes() * static_cast<size_t>(h));
  for (auto& b : im.data) b = static_cast<unsigned char>(rng());
  // Padding bits at row ends stay zero, as the scaler writes them.
  size_t used = static_cast<size_t>(w) * components * bits % 8;
  if (used)
    for (int y = 0; y < h; ++y) im.data[(y + 1) * im.RowBytes() - 1] &= static_cast<unsigned char>(0xFF << (8 - used));
  return im;
}

TEST(Scaler, BoxAndPointGiveTheDocumentedSamples) {
  Image row{4, 1, 1, 8, {10, 20, 30, 40}};
  EXPECT_EQ(Scale(row, 2, 1, "box", 1), (std::vector<unsigned char>{15, 35}));

  ScalerContext* ctx = Open(row, 2, 1, "box");
  ASSERT_NE(ctx, nullptr);
  ScalerFilter* box = MakeFilter("box");
  ScalerContribution c{};
  ASSERT_EQ(ComputeContributions(ctx, 1.0, 4, 0.5f, box, &c), 1);
  ASSERT_EQ(c.end - c.first, 2);
  EXPECT_EQ(c.first, 0);
  EXPECT_EQ(c.weights[0], 8192);
  EXPECT_EQ(c.weights[1], 8192);
  ScalerContribution d{};
  ASSERT_EQ(ComputeContributions(ctx, 3.0, 4, 0.5f, box, &d), 1);
  EXPECT_EQ(d.weights, c.weights) << "equal weight vectors are shared";
  EXPECT_EQ(ComputeContributions(ctx, 4.5, 4, 0.5f, box, &d), 0) << "a centre beyond the source";
  FreeFilter(box);
  ScalerClose(ctx);

  // "point" halving 8 x 8 rows of CC: 4 x 4 rows of A0, still 0 and 1.
  Image bits{8, 8, 1, 1, std::vector<unsigned char>(8, 0xCC)};
  EXPECT_EQ(Scale(bits, 4, 4, "point", 3), std::vector<unsigned char>(4, 0xA0));
}

TEST(Scaler, FactorOneCopiesEveryDepthAndComponentCount) {
  std::mt19937 rng(7);
  for (int bits : {1, 2, 4, 8}) {
    for (int components : {1, 3}) {
      Image im = Random(13, 5, components, bits, rng);
      for (const char* filter : {"box", "point"}) {
        EXPECT_EQ(Scale(im, 13, 5, filter, 2), im.data) << bits << " bits, " << components << " components, " << filter;
      }
    }
  }
}

// Random sizes on both axes: every record sums to 16384, the output has the
// size asked, and the band height does not change it.
TEST(Scaler, RandomSizesKeepWeightsSizesAndBandsExact) {
  std::mt19937 rng(46);
  std::uniform_int_distribution<int> side(1, 300);
  for (int round = 0; round < 24; ++round) {
    const char* filter = round % 2 ? "point" : "box";
    int w = side(rng), h = side(rng), nw = side(rng), nh = side(rng);
    int components = round % 3 == 0 ? 3 : 1, bits = round % 4 == 1 ? 4 : 8;
    Image im = Random(w, h, components, bits, rng);
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " -> " + std::to_string(nw) + "x" +
                 std::to_string(nh) + " " + filter);

    ScalerContext* ctx = Open(im, nw, nh, filter);
    ASSERT_NE(ctx, nullptr);
    ScalerFilter* f = MakeFilter(filter);
    for (auto axis : {std::make_pair(h, nh), std::make_pair(w, nw)}) {
      float s = static_cast<float>(axis.second) / static_cast<float>(axis.first);
      for (int i = 0; i < axis.second; ++i) {
        ScalerContribution c{};
        ASSERT_EQ(ComputeContributions(ctx, (i + 0.5) / s, axis.first, s, f, &c), 1);
        int sum = 0;
        for (int k = c.first; k < c.end; ++k) sum += c.weights[k - c.first];
        ASSERT_EQ(sum, 16384) << "record " << i;
        ASSERT_TRUE(c.first >= 0 && c.end <= axis.first);
      }
    }
    FreeFilter(f);
    ScalerClose(ctx);

    std::vector<unsigned char> whole = Scale(im, nw, nh, filter, h);
    ASSERT_EQ(whole.size(), static_cast<size_t>(nh) * ((static_cast<size_t>(nw) * components * bits + 7) / 8));
    EXPECT_EQ(Scale(im, nw, nh, filter, 1), whole);
    EXPECT_EQ(Scale(im, nw, nh, filter, 7), whole);
  }
}

TEST(Scaler, OpensOnlyWhatItCanServe) {
  ScalerSize sizes{10, 10, 5, 5, 0, 0};
  ScalerSize none{10, 10, 0, 0, 0, 0};
  ScalerSize factor{10, 10, 0, 0, 0.5f, 0};
  struct Case {
    const char* what;
    const ScalerSize* size;
    const char* filter;
    int inBits, outBits, mode;
    bool opens;
  } cases[] = {
      {"an unknown filter", &sizes, "lanczos", 8, 8, 0, false},
      {"both factors 0, no new size", &none, "box", 8, 8, 0, false},
      {"16 bits in", &sizes, "box", 16, 8, 0, false},
      {"16 bits out", &sizes, "box", 8, 16, 0, false},
      {"both factors 0, both sizes", &sizes, "box", 8, 8, 0, true},
      {"one factor for both axes", &factor, "point", 8, 8, 0, true},
      {"pairs of value and run", &sizes, "box", 8, 8, 3, true},
      {"run-length mode 1", &sizes, "box", 8, 8, 1, false},
  };
  for (const Case& c : cases) {
    testing::internal::CaptureStderr();
    ScalerContext* ctx = ScalerOpen(0, 0, c.inBits, c.inBits, 10 * c.inBits, 0, c.mode, c.size, c.filter, 0, 0,
                                    c.outBits, c.outBits, 10 * c.outBits, 1);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(ctx != nullptr, c.opens) << c.what;
    if (c.mode == 1) {
      EXPECT_EQ(err, "Non-paletted RLE data not supported.\n");
    }
    ScalerClose(ctx);
  }

  // Pairs of value and run: a run past the row is refused with its message.
  ScalerSize row{1, 4, 1, 4, 0, 0};
  const unsigned char good[] = {9, 3, 7, 1}, bad[] = {9, 5};
  unsigned char out[4];
  unsigned char* outp = out;
  int made = 0;
  for (const unsigned char* rle : {good, bad}) {
    ScalerContext* ctx = ScalerOpen(0, 0, 8, 8, 32, 0, 3, &row, "box", 0, 0, 8, 8, 32, 1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ScalerRun(ctx, rle, 0, 0, 1, &outp, 0, nullptr, &made), rle == good ? 1 : 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), rle == good ? "" : "ERROR: run=5 sample=0\n");
    ScalerClose(ctx);
  }
  EXPECT_EQ(std::vector<unsigned char>(out, out + 4), (std::vector<unsigned char>{9, 9, 9, 7}));
}

}  // namespace
