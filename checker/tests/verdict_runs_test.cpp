// `plughost check --fix --output` on generated documents, under both
// standards, each file checked again once saved: features of later versions
// of PDF, damage the host repairs, data that cannot be decoded, annotations
// that "Fix all" removes with their appearances, one the page draws too.
// qpdf judges the saved files; renders before and after, their look
// (operators taken out, JPEG 2000 images recompressed, every repair).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include "documents.h"
#include "plughost_runs.h"
#include "testing/codestreams.h"
#include "testing/pdfmaker.h"
#include "testing/processes.h"
#include "testing/renders.h"

namespace {

using standardstest::kX1a;
using standardstest::kX3;

struct Outcome {
  int status;
  std::string verdict;  // the last VERDICT line
  std::string report;   // the report's rows
};

// How many rows of a report carry `message`, each at its error level: an
// error no fix repairs, or for damage one that saving repairs.
int Rows(const std::string& report, const std::string& message) {
  const std::string level = message.find("damaged") != std::string::npos ? "\tAutoFix error\t" : "\tUnfixable error\t";
  int n = 0;
  for (size_t at = report.find("\t" + message + "\n"); at != std::string::npos;
       at = report.find("\t" + message + "\n", at + 1)) {
    const size_t start = report.rfind('\n', at) + 1;
    EXPECT_NE(report.substr(start, at - start).find(level), std::string::npos) << report.substr(start, at - start);
    ++n;
  }
  return n;
}

std::string Cut(const std::string& pdf, const std::string& from, const std::string& to) {
  return pdf.substr(0, pdf.rfind(from)) + to;
}

// Pages, each its entries beside /Type and /Parent, which name the objects
// after it @1, @2, ..., then those objects.
std::string PagesPdf(std::vector<std::vector<std::string>> pages) {
  hosttest::PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", ""};
  std::string kids;
  for (std::vector<std::string>& page : pages) {
    const size_t first = spec.objects.size() + 1;
    for (size_t at; (at = page[0].find('@')) != std::string::npos;)
      page[0].replace(at, 2, std::to_string(first + static_cast<size_t>(page[0][at + 1] - '0')) + " 0 R");
    kids += " " + std::to_string(first) + " 0 R";
    page[0] = "<< /Type /Page /Parent 2 0 R " + page[0] + " >>";
    spec.objects.insert(spec.objects.end(), page.begin(), page.end());
  }
  spec.objects[1] = "<< /Type /Pages /Kids [" + kids + " ] /Count " + std::to_string(pages.size()) + " >>";
  return hosttest::MakePdf(spec);
}

class VerdictRunsTest : public ::testing::Test {
 protected:
  Outcome Check(const std::string& file, const std::string& standard, bool fix) {
    std::vector<std::string> argv = {PLUGHOST, "check", work_.File(file), "--plugins", checkertest::PluginFolder(),
                                     "--settings", settings_.path(), "--standard", standard, "--report", "-"};
    if (fix) argv.insert(argv.end(), {"--fix", "--output", work_.File("out.pdf")});
    const hosttest::ProcessResult run = hosttest::RunProcess(argv, "", checkertest::kRunBound);
    Outcome r{run.status, "", ""};
    const size_t verdict = run.out.rfind("VERDICT: ");
    if (verdict != std::string::npos) r.verdict = run.out.substr(verdict, run.out.find('\n', verdict) - verdict);
    const size_t rows = run.out.find("\nPage\tError level");
    if (rows != std::string::npos) r.report = run.out.substr(rows);
    EXPECT_EQ(run.err, "") << file;
    return r;
  }
  // qpdf's warnings about a file, one a line; "" for none.
  std::string QpdfWarnings(const std::string& file) {
    std::string out;
    hosttest::RunCommand("qpdf --check " + hosttest::Quoted(work_.File(file)) + " 2>&1 | grep WARNING", &out);
    return out;
  }
  // "Fix all" of `pdf` (in.pdf) into out.pdf says what a check of out.pdf
  // says, and qpdf takes out.pdf; then how each page differs from in.pdf's.
  std::vector<std::string> FixAndCompare(const std::string& pdf, const std::string& standard, bool gs = false,
                                         const hosttest::Box* inside = nullptr) {
    hosttest::WriteFile(work_.File("in.pdf"), pdf);
    std::remove(work_.File("out.pdf").c_str());
    const Outcome fixed = Check("in.pdf", standard, true), again = Check("out.pdf", standard, false);
    EXPECT_TRUE(fixed.status == again.status && fixed.verdict == again.verdict) << fixed.verdict << again.verdict;
    EXPECT_EQ(hosttest::RunCommand("qpdf --check " + hosttest::Quoted(work_.File("out.pdf")) + " >/dev/null 2>&1"), 0);
    return Changes(gs, inside);
  }
  std::vector<std::string> Changes(bool gs = false, const hosttest::Box* inside = nullptr) {
    return hosttest::PageDifferences(work_.File("in.pdf"), work_.File("out.pdf"), 36, gs, inside);
  }
  hosttest::TempDir work_, settings_;
};

TEST_F(VerdictRunsTest, FixedVerdictsAreThoseOfTheSavedFile) {
  const std::string sixteen = "16-bit images are a PDF 1.5 feature", optional = "Optional content is a PDF 1.5 feature",
                    opentype = "OpenType font programs are a PDF 1.6 feature",
                    userUnits = "User units are a PDF 1.6 feature",
                    damaged = "The file's cross-reference data is damaged",
                    undecodable = "The stream's data cannot be decoded";
  const struct {
    const char* name;
    const char* variant;
    std::string (*damage)(const std::string&);
    std::string record;  // filed once before the fix; after it too unless the file is valid then
    bool valid;          // after "Fix all"
  } cases[] = {
      {"a 16-bit image", "sixteen-bit-image", nullptr, sixteen, false},
      {"a 16-bit inline image", "sixteen-bit-inline-image", nullptr, sixteen, false},
      {"optional content everywhere", "optional-content", nullptr, optional, false},
      {"optional content in marked content", "marked-optional-content", nullptr, optional, false},
      {"an optional form", "optional-form", nullptr, optional, false},
      {"an OpenType font program", "opentype-font", nullptr, opentype, false},
      {"a page in user units", "user-unit", nullptr, userUnits, false},
      {"an appearance the page draws too", "appearance-drawn-by-page", nullptr, sixteen, false},
      {"no startxref", "", [](const std::string& pdf) { return Cut(pdf, "startxref", "%%EOF\n"); }, damaged, true},
      {"no %%EOF", "", [](const std::string& pdf) { return pdf.substr(0, pdf.rfind("%%EOF")); }, damaged, true},
      {"a wrong startxref", "",
       [](const std::string& pdf) { return Cut(pdf, "startxref", "startxref\n300\n%%EOF\n"); }, damaged, true},
      {"a trailer without its size", "",
       [](const std::string& pdf) {
         std::string out = pdf;
         const size_t size = out.rfind("/Size ");
         return out.erase(size, out.find(' ', size + 6) + 1 - size);
       },
       damaged, true},
      {"a form whose data cannot be decoded", "", nullptr, undecodable, false},
      {"a filled form field over the page", "filled-form-field-in-trim", nullptr, "", true},
      {"a form field half over the page", "form-field-half-in-trim", nullptr, "", false},
      {"an RGB appearance over the page", "rgb-appearance-in-trim", nullptr, "", true},
  };
  for (const char* standard : {kX1a, kX3}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " under " + standard);
      standardstest::Document document =
          *c.variant ? standardstest::Make(standard, c.variant) : standardstest::Baseline(standard);
      // Something for "Fix all" to do besides.
      document.SetInfo("Trapped", "");
      if (c.record == undecodable) {
        document.AddResource("XObject", "Fm1",
                             std::to_string(document.Add("stream:/Type /XObject /Subtype /Form /BBox [0 0 10 10] "
                                                         "/Filter /LZWDecode|\xff\xfe no LZW data")) + " 0 R");
        document.content += " /Fm1 Do";
      }
      const std::string pdf = document.Pdf();
      hosttest::WriteFile(work_.File("in.pdf"), c.damage ? c.damage(pdf) : pdf);

      const Outcome checked = Check("in.pdf", standard, false);
      EXPECT_EQ(checked.status, 1);
      if (!c.record.empty()) {
        EXPECT_EQ(Rows(checked.report, c.record), 1) << checked.report;
      }
      const Outcome fixed = Check("in.pdf", standard, true);
      const Outcome again = Check("out.pdf", standard, false);
      // What "Fix all" says is what a check of the saved file says.
      EXPECT_EQ(fixed.status, again.status) << fixed.verdict << "\n" << again.verdict;
      EXPECT_EQ(fixed.verdict, again.verdict);
      EXPECT_EQ(again.status, c.valid ? 0 : 1) << again.report;
      if (!c.record.empty()) {
        EXPECT_EQ(Rows(again.report, c.record), c.valid ? 0 : 1) << again.report;
      }
      const std::string warnings = QpdfWarnings("out.pdf");
      if (c.record != undecodable) {
        EXPECT_EQ(warnings, "");
      } else {
        // The data is kept as it was: qpdf finds that stream, and nothing else.
        EXPECT_NE(warnings, "");
        for (size_t at = 0; at < warnings.size(); at = warnings.find('\n', at) + 1) {
          const std::string line = warnings.substr(at, warnings.find('\n', at) - at);
          EXPECT_TRUE(line.find("error decoding stream data") != std::string::npos ||
                      line.find("re-processed without filtering") != std::string::npos)
              << line;
        }
      }
    }
  }
}

// Operators the rules take out beside colour operators, at the start, middle
// and end of each stream of a /Contents array and of a form, and in streams
// a last page shares with the first: "Fix all" takes out only what its
// records name, leaves the rest byte for byte, and each page looks as it did.
TEST_F(VerdictRunsTest, OperatorsTakenOutAreOnlyThoseTheRecordsName) {
  const struct {
    const char* op;  // with its operands
    bool x1a, x3;    // taken out under each
  } removable[] = {{"/Perceptual ri", true, false}, {"BX", true, true},
                   {"EX", false, false},                // alone, no record asks for it
                   {"(0 0 moveto) PS", false, false}};  // an error no fix repairs
  const char* const colours[] = {"* 0.6 0.2 rg", "/DeviceGray CS"};  // operands of numbers, of a name
  // % stands for the operator, # for the colour (* a number of its own); a
  // colour set at a stream's end paints in the next.
  const char* const streams[] = {"% # 10 10 30 30 re B # % 50 10 30 30 re B q % # 90 10 30 30 re B Q # %",
                                 "% 130 10 30 30 re B /Fm1 Do % #", "170 10 30 30 re B",
                                 "# % 10 60 30 30 re B % # 50 60 30 30 re B # %"};
  // Taken out, an operator takes the blank before it (at a stream's start, none).
  auto write = [](std::string s, const std::string& op, const std::string& colour, bool out) {
    for (size_t at, n = 0; (at = s.find_first_of("%#")) != std::string::npos;)
      s[at] == '#' ? s.replace(at, 1, colour[0] == '*' ? "0." + std::to_string(++n) + colour.substr(1) : colour)
                   : out ? s.erase(at ? at - 1 : 0, at ? 2 : 1) : s.replace(at, 1, op);
    return s;
  };
  const std::string page = "/MediaBox [0 0 220 120] /TrimBox [0 0 220 120] /Contents [@1 @2 @3] "
                           "/Resources << /XObject << /Fm1 @4 >> >>";
  std::vector<std::vector<std::string>> pages;
  for (const auto& r : removable)
    for (const char* c : colours) {
      pages.push_back({page});
      for (const char* s : streams)
        pages.back().push_back(std::string(s == streams[3] ? "stream:/Type /XObject /Subtype /Form /BBox [0 0 220 120]|"
                                                           : "stream:|") + write(s, r.op, c, false));
    }
  pages.push_back({page.substr(0, page.find('@')) + "4 0 R 5 0 R 6 0 R] /Resources << /XObject << /Fm1 7 0 R >> >>"});
  const size_t n = pages.size();
  const std::string pdf = PagesPdf(pages);
  for (const char* standard : {kX1a, kX3}) {
    SCOPED_TRACE(standard);
    EXPECT_EQ(FixAndCompare(pdf, standard), std::vector<std::string>(n, ""));
    QPDF saved;
    saved.processFile(work_.File("out.pdf").c_str());
    const std::vector<QPDFPageObjectHelper> savedPages = QPDFPageDocumentHelper(saved).getAllPages();
    ASSERT_EQ(savedPages.size(), n);
    for (size_t i = 0; i < n; ++i) {
      const size_t k = i % (n - 1);  // the last page is the first's
      QPDFObjectHandle dict = savedPages[i].getObjectHandle();
      std::vector<QPDFObjectHandle> kept = dict.getKey("/Contents").getArrayAsVector();
      kept.push_back(dict.getKey("/Resources").getKey("/XObject").getKey("/Fm1"));
      ASSERT_EQ(kept.size(), 4u) << "page " << i + 1;
      for (size_t s = 0; s < 4; ++s) {
        const std::shared_ptr<Buffer> data = kept[s].getStreamData(qpdf_dl_generalized);
        const auto& r = removable[k / std::size(colours)];
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(data->getBuffer()), data->getSize()),
                  write(streams[s], r.op, colours[k % std::size(colours)], standard == std::string(kX1a) ? r.x1a : r.x3))
            << "page " << i + 1 << ", stream " << s + 1;
      }
    }
  }
}

// JPEG 2000 images of 1, 2 and 4 bits, indexed and gray, rows that fill
// their bytes and rows that do not, JP2 files and codestreams: "Fix all"
// makes them Flate data of their own depth, drawn as they were. The first
// two declare a depth their samples do not fit: they stay 8 bits.
TEST_F(VerdictRunsTest, JpegTwoThousandImagesRecompressedKeepTheirPixels) {
  const struct {
    uint32_t bits, components, width;  // components 0: indexed
    bool jp2;
    uint32_t declared;  // the dictionary's depth
  } images[] = {{8, 1, 13, false, 4}, {8, 0, 13, true, 4},  {1, 0, 13, true, 1},  {1, 1, 16, false, 1},
                {2, 0, 16, false, 2}, {2, 1, 13, true, 2}, {4, 0, 13, false, 4}, {4, 1, 16, true, 4},
                {8, 3, 13, true, 8}};
  std::vector<std::vector<std::string>> pages;
  std::string depths;  // as pdfimages lists them after the fix
  for (const auto& m : images) {
    const uint32_t top = (1u << m.bits) - 1, components = std::max(m.components, 1u);
    const std::string code = hosttest::JpxCodestream(
        m.width, 5, components,
        [&](uint32_t i, uint32_t c) { return static_cast<int>((i * 7 + c * 5 + i / m.width) % (top + 1)); }, m.bits);
    std::string space = m.components == 3 ? "/DeviceRGB" : "/DeviceGray";
    if (!m.components) {
      space = "[/Indexed /DeviceRGB " + std::to_string(top) + " <";
      for (uint32_t i = 0; i <= top; ++i)
        for (uint32_t v : {i * 97 % 256, 255 - i, i * 53 % 256}) space += {"0123456789abcdef"[v / 16], "0123456789abcdef"[v % 16]};
      space += ">]";
    }
    pages.push_back({"/MediaBox [0 0 130 50] /TrimBox [0 0 130 50] /Contents @1 /Resources << /XObject << /Im1 @2 >> >>",
                     "stream:|q 130 0 0 50 0 0 cm /Im1 Do Q",
                     "stream:/Type /XObject /Subtype /Image /Width " + std::to_string(m.width) +
                         " /Height 5 /BitsPerComponent " + std::to_string(m.declared) + " /ColorSpace " + space +
                         " /Filter /JPXDecode|" + (m.jp2 ? hosttest::Jp2File(code, m.width, 5, components, m.bits) : code)});
    depths += std::to_string(m.bits) + " image\n";
  }
  // pdftoppm draws colour samples of fewer than 8 bits short of their range
  // (shifted, not scaled); Ghostscript reads them at the dictionary's depth,
  // which a reader is to ignore.
  const std::vector<std::string> poppler = FixAndCompare(PagesPdf(pages), kX3), gs = Changes(true);
  std::string listed;
  hosttest::RunCommand("pdfimages -list " + hosttest::Quoted(work_.File("out.pdf")) +
                           " 2>/dev/null | tail -n +3 | awk '{print $8, $9}'", &listed);
  EXPECT_EQ(listed, depths);
  ASSERT_EQ(poppler.size(), std::size(images));
  ASSERT_EQ(gs.size(), std::size(images));
  for (size_t i = 0; i < std::size(images); ++i) {
    EXPECT_TRUE(images[i].declared != images[i].bits || gs[i].empty()) << "image " << i + 1 << ", Ghostscript: " << gs[i];
    EXPECT_TRUE((images[i].components && images[i].bits < 8) || poppler[i].empty()) << "image " << i + 1 << ": " << poppler[i];
  }
}

// A document for every repair "Fix all" makes: each page looks as it did,
// but inside an annotation it removes.
TEST_F(VerdictRunsTest, EveryRepairKeepsThePageAsItLooked) {
  const hosttest::Box square{100, 100, 200, 200}, appearance{100, 300, 200, 400};
  const struct {
    const char* variant;                      // "" for the change alone
    const char* standard = nullptr;           // null: both
    const hosttest::Box* changes = nullptr;   // where the page may look otherwise
    std::function<void(standardstest::Document&)> change = nullptr;
  } rows[] = {
      {"no-file-identifier"}, {"no-title-or-creator", kX1a}, {"trapped-unknown", kX3},
      {"version-without-conformance"}, {"transfer-function-state", kX1a}, {"art-and-trim-box", kX3},
      {"no-trim-box", kX1a}, {"ri-operator", kX1a}, {"lzw-image", kX1a}, {"no-output-intents"},
      {"press-intent-garbage-profile", kX1a}, {"default-gray-space", kX1a}, {"image-soft-mask-none"},
      {"javascript-open-action", kX3}, {"square-annotation", kX1a, &square},
      {"appearance-drawn-by-page", kX1a, &appearance},
      // One stream both recompressed and rid of an operator.
      {"", kX1a, nullptr, [](standardstest::Document& d) {
         d.AddResource("XObject", "Fm1", std::to_string(d.Add("stream:/Type /XObject /Subtype /Form /BBox [0 0 612 792] "
             "/Filter /LZWDecode|" + standardstest::LzwEncoded("0 0 1 0 k /Perceptual ri 300 300 100 100 re f"))) + " 0 R");
         d.content += " /Fm1 Do";
       }},
      // An inline image on a page without resources, which it needs none of.
      {"", kX1a, nullptr, [](standardstest::Document& d) {
         d.content = "/Perceptual ri " + d.content + " q 100 0 0 100 300 300 cm BI /W 1 /H 1 /CS /CMYK /BPC 8 ID " +
                     std::string("\x10\x80\x30\x40") + " EI Q";
       }},
  };
  for (const auto& row : rows)
    for (const char* standard : {kX1a, kX3}) {
      if (row.standard && row.standard != std::string(standard)) continue;
      SCOPED_TRACE(std::string(*row.variant ? row.variant : "a changed baseline") + " under " + standard);
      standardstest::Document d = *row.variant ? standardstest::Make(standard, row.variant) : standardstest::Baseline(standard);
      if (row.change) row.change(d);
      EXPECT_EQ(FixAndCompare(d.Pdf(), standard, false, row.changes), std::vector<std::string>{""});
      EXPECT_TRUE(!row.changes || Changes() != std::vector<std::string>{""}) << "the annotation is gone";
    }
}

}  // namespace
