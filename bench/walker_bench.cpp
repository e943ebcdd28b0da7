// The page walk over a generated 2000-page document: the tree, the
// resource levels, progress and the standard's check of each page.
#include <benchmark/benchmark.h>

#include "common/MyCosDoc.h"
#include "core/host.h"
#include "bench/bare_standard.h"
#include "engine/Conformance.h"
#include "engine/PDFXPreflight.h"
#include "engine/StatusInterface.h"
#include "host/calls.h"
#include "testing/pdfmaker.h"

namespace {

void BM_PageWalk(benchmark::State& state) {
  hosttest::BindTables();
  ClearGlobalRegistries();
  Zentu::Conformance::Register(new BareStandard);
  const int pages = static_cast<int>(state.range(0));
  AVDoc view = host::ShowInView(host::OpenDocumentBytes(hosttest::MakePagesPdf(pages), "bench"));
  Zentu::HeadlessStatus status;
  for (auto _ : state) {
    PDFXPreflight walker(&status);
    walker.SetViewDocument(view);
    benchmark::DoNotOptimize(walker.Check());
    if (walker.GetPageCounter() != pages - 1) state.SkipWithError("not every page was walked");
  }
  state.SetItemsProcessed(state.iterations() * pages);
  host::CloseAllDocuments();
  ClearGlobalRegistries();
}
BENCHMARK(BM_PageWalk)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
