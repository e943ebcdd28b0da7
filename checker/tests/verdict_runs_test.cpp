// `plughost check --fix --output` on generated documents, under both
// standards, each file checked again once saved: features of later versions
// of PDF, damage the host repairs, data that cannot be decoded, annotations
// that "Fix all" removes with their appearances, one the page draws too.
// qpdf judges the saved files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "documents.h"
#include "plughost_runs.h"
#include "testing/pdfmaker.h"
#include "testing/processes.h"

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

}  // namespace
