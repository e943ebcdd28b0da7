// Settings of one key with many values (200,000 is the target), saved and
// loaded through the preference store: each must stay within 2 s.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "common/Prefs.h"
#include "core/host.h"
#include "testing/pdfmaker.h"

namespace {

const char kSection[] = "Bench Large";

// A settings folder of its own, and the section filled with `values` values.
void Prepare(hosttest::TempDir& home, int values) {
  hosttest::BindTables();
  ::setenv("PLUGHOST_HOME", home.path().c_str(), 1);
  Prefs::Load(kSection);  // nothing stored in this folder yet
  Prefs::SectionMap& section = Prefs::Section(kSection);
  section.clear();
  for (int i = 0; i < values; ++i) section["value " + std::to_string(i)] = std::to_string(i * 7);
}

// Every value changed before each save, so that each writes them all; and a
// save of one value changed, which reads and writes the whole key all the same.
void BM_SaveKey(benchmark::State& state) {
  hosttest::TempDir home;
  const int values = static_cast<int>(state.range(0)), changed = state.range(1) ? values : 1;
  Prepare(home, values);
  if (!Prefs::Save(kSection)) state.SkipWithError("the save failed");
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ++round;
    for (int i = 0; i < changed; ++i) Prefs::Section(kSection)["value " + std::to_string(i)] = std::to_string(i * 7 + round);
    state.ResumeTiming();
    if (!Prefs::Save(kSection)) state.SkipWithError("the save failed");
  }
  state.SetItemsProcessed(state.iterations() * changed);
}
BENCHMARK(BM_SaveKey)->Args({40000, 1})->Args({200000, 1})->Args({200000, 0})->Unit(benchmark::kMillisecond);

void BM_LoadKey(benchmark::State& state) {
  hosttest::TempDir home;
  Prepare(home, static_cast<int>(state.range(0)));
  if (!Prefs::Save(kSection)) state.SkipWithError("the save failed");
  for (auto _ : state) {
    state.PauseTiming();
    Prefs::Section(kSection).clear();
    state.ResumeTiming();
    if (!Prefs::Load(kSection) || Prefs::Section(kSection).size() != static_cast<size_t>(state.range(0)))
      state.SkipWithError("the load failed");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadKey)->Arg(40000)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
