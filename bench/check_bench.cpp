// `plughost check` (brief, no output files) and `qpdf --check`, timed side
// by side on the same files: the samples and a generated 2000-page document.
#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

#include "testing/pdfmaker.h"
#include "testing/processes.h"

namespace {

const double kBound = 600;  // seconds for one run

// Each run is one process, as a user starts it; a run that hangs or dies of
// a signal is an error, whatever its exit status otherwise.
void BM_Run(benchmark::State& state, const std::vector<std::string>& argv) {
  for (auto _ : state) {
    hosttest::ProcessResult run = hosttest::RunProcess(argv, "", kBound);
    if (run.timedOut || run.status < 0) {
      state.SkipWithError(("did not finish: " + run.err).c_str());
      break;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  hosttest::TempDir work;
  std::vector<std::pair<std::string, std::string>> files;
  for (const char* name : {"x1a-good", "x1a-fixable", "rgb-font", "x3-good", "xref-stream"})
    files.emplace_back(name, std::string(SAMPLES) + "/" + name + ".pdf");
  files.emplace_back("pages-2000", work.File("pages-2000.pdf"));
  hosttest::WriteFile(files.back().second, hosttest::MakePagesPdf(2000));
  for (const auto& file : files) {
    benchmark::RegisterBenchmark(("plughost_check/" + file.first).c_str(), BM_Run,
                                 std::vector<std::string>{PLUGHOST, "check", file.second, "--settings", work.path()})
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("qpdf_check/" + file.first).c_str(), BM_Run,
                                 std::vector<std::string>{QPDF, "--check", file.second})
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
