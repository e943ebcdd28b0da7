// Resampling a 6000 x 4000 8-bit RGB image to 1500 x 1000 with "box", band
// by band as the conversion feeds it; the CCITT fax coder on a 2550 x 3300
// page.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "alternates/Scaler.h"
#include "cos/ccitt.h"

namespace {

void BM_BoxResampleRgb(benchmark::State& state) {
  const int w = 6000, h = 4000, nw = 1500, nh = 1000, band = static_cast<int>(state.range(0));
  const size_t rowBytes = static_cast<size_t>(w) * 3;
  std::vector<unsigned char> source(rowBytes * static_cast<size_t>(band));
  std::mt19937 rng(6000);
  for (auto& b : source) b = static_cast<unsigned char>(rng());
  std::vector<unsigned char> out(static_cast<size_t>(nw) * 3 * static_cast<size_t>(nh));
  for (auto _ : state) {
    ScalerSize size{h, w, nh, nw, 0, 0};
    ScalerContext* ctx = ScalerOpen(0, 0, 8, 24, static_cast<int>(rowBytes * 8), 0, 0, &size, "box", 0, 0, 8, 24,
                                    nw * 24, 3);
    int total = 0;
    for (int row = 0; row < h; row += band) {
      unsigned char* rows = out.data() + static_cast<size_t>(total) * nw * 3;
      int made = 0;
      // The same band stands for every band: the figures are the scaler's.
      if (!ScalerRun(ctx, source.data(), 8, row, std::min(band, h - row), &rows, 8, nullptr, &made))
        state.SkipWithError("the scaler failed");
      total += made;
    }
    ScalerClose(ctx);
    if (total != nh) state.SkipWithError("not every row came out");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(rowBytes) * h);
}
BENCHMARK(BM_BoxResampleRgb)->Arg(64)->Unit(benchmark::kMillisecond);

// A page of text-like marks: short black runs on white.
std::string Page(int w, int h) {
  std::string bits(static_cast<size_t>(w + 7) / 8 * static_cast<size_t>(h), static_cast<char>(0xFF));
  std::mt19937 rng(2550);
  for (int y = 0; y < h; ++y) {
    if (y % 40 > 28) continue;
    for (int x = 100; x < w - 100; x += 3 + static_cast<int>(rng() % 9))
      if (rng() % 3) bits[static_cast<size_t>(y) * ((w + 7) / 8) + static_cast<size_t>(x / 8)] &= static_cast<char>(~(0x80 >> (x % 8)));
  }
  return bits;
}

void BM_CcittEncode(benchmark::State& state) {
  host::CcittParams p;
  p.k = state.range(0);
  p.columns = 2550;
  std::string page = Page(2550, 3300);
  for (auto _ : state) benchmark::DoNotOptimize(host::CcittEncode(page, p));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_CcittEncode)->Arg(-1)->Arg(0)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_CcittDecode(benchmark::State& state) {
  host::CcittParams p;
  p.k = state.range(0);
  p.columns = 2550;
  std::string page = Page(2550, 3300);
  std::string coded = host::CcittEncode(page, p);
  for (auto _ : state) {
    size_t bytes = 0;
    host::CcittDecode(reinterpret_cast<const unsigned char*>(coded.data()), coded.size(), p,
                      [&](const unsigned char*, size_t n) { bytes += n; });
    if (bytes != page.size()) state.SkipWithError("rows lost");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_CcittDecode)->Arg(-1)->Arg(0)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
