// Reading a generated 50 MB content stream: a plain decode of its data,
// the host's tokenizer over it, and the walker's check of the page.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "common/MyCosDoc.h"
#include "core/host.h"
#include "bench/bare_standard.h"
#include "engine/Conformance.h"
#include "engine/PDFXPreflight.h"
#include "engine/StatusInterface.h"
#include "host/calls.h"
#include "testing/pdfmaker.h"

namespace {

const size_t kContentBytes = size_t(50) << 20;

// Text, paths and a graphics state over and over, and now and then a small
// inline image.
std::string Content() {
  const std::string block =
      "BT /F1 12 Tf 72 712 Td (Hello world, a line of text) Tj 0 -14 Td [(Kerned) -250 (text)] TJ ET\n"
      "q 1 0 0 1 10.5 20.25 cm 0.5 g 0 0 m 100 100 l 200 0 l h f Q\n"
      "/GS1 gs [3 2] 0 d 0 0 1 rg 10 10 50 50 re S\n";
  const std::string image = "q 8 0 0 8 300 300 cm BI /W 2 /H 2 /BPC 8 /CS /G ID \x10\x20\x30\x40 EI Q\n";
  std::string content;
  content.reserve(kContentBytes + block.size() + image.size());
  for (long n = 0; content.size() < kContentBytes; ++n) {
    content += block;
    if (n % 64 == 0) content += image;
  }
  content.pop_back();  // white space at the very end belongs to no token
  return content;
}

std::string Deflate(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(data.data()),
            static_cast<uLong>(data.size()), Z_BEST_SPEED);
  out.resize(size);
  return out;
}

// One page whose content is the generated stream, compressed; made once.
struct Document {
  AVDoc view = nullptr;
  MyCosObj stream;
  size_t decodedBytes = 0;
};

Document& TheDocument() {
  static Document doc;
  if (doc.view) return doc;
  hosttest::BindTables();
  ClearGlobalRegistries();
  Zentu::Conformance::Register(new BareStandard);
  const std::string content = Content();
  doc.decodedBytes = content.size();
  hosttest::PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                  "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >>"
                  " /ExtGState << /GS1 6 0 R >> >> >>",
                  "stream:/Filter /FlateDecode|" + Deflate(content),
                  "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>", "<< /Type /ExtGState /LW 1 >>"};
  doc.view = host::ShowInView(host::OpenDocumentBytes(hosttest::MakePdf(spec), "content bench"));
  doc.stream = MyCosDoc(PDDocGetCosDoc(AVDocGetPDDoc(doc.view))).GetObjByID(4);
  return doc;
}

void BM_PlainDecode(benchmark::State& state) {
  Document& doc = TheDocument();
  std::vector<char> buffer(1 << 16);
  for (auto _ : state) {
    ASStm stm = doc.stream.OpenStm(cosOpenFiltered);
    size_t total = 0;
    for (ASSize_t n; (n = ASStmRead(buffer.data(), 1, static_cast<ASSize_t>(buffer.size()), stm)) > 0;) total += n;
    ASStmClose(stm);
    if (total != doc.decodedBytes) state.SkipWithError("decoded size differs");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.decodedBytes));
}
BENCHMARK(BM_PlainDecode)->Unit(benchmark::kMillisecond);

void BM_Tokenize(benchmark::State& state) {
  Document& doc = TheDocument();
  const CosDoc cosDoc = PDDocGetCosDoc(AVDocGetPDDoc(doc.view));
  PDToken token;
  for (auto _ : state) {
    ASStm stm = doc.stream.OpenStm(cosOpenFiltered);
    size_t total = 0;
    long tokens = 0;
    for (ASInt32 n; (n = PDReadContentToken(stm, &token)) > 0;) {
      total += static_cast<size_t>(n);
      ++tokens;
      if (token.type == kPDTokenKeyword && token.text[0] == 'B' && token.text[1] == 'I' && token.text[2] == 0) {
        ASInt32 used = 0;
        CosObjDestroy(PDReadInlineImage(stm, CosObj{0, 0}, cosDoc, &used));
        total += static_cast<size_t>(used);
      }
    }
    ASStmClose(stm);
    if (total != doc.decodedBytes) state.SkipWithError("tokens do not cover the stream");
    benchmark::DoNotOptimize(tokens);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.decodedBytes));
}
BENCHMARK(BM_Tokenize)->Unit(benchmark::kMillisecond);

void BM_CheckPage(benchmark::State& state) {
  Document& doc = TheDocument();
  Zentu::HeadlessStatus status;
  for (auto _ : state) {
    PDFXPreflight walker(&status);
    walker.SetViewDocument(doc.view);
    benchmark::DoNotOptimize(walker.Check());
    if (walker.GetPageCounter() != 0) state.SkipWithError("the page was not walked");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * doc.decodedBytes));
}
BENCHMARK(BM_CheckPage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
