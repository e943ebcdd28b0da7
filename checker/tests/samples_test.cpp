// The shipped samples under the registered standards: each files exactly
// the records it is made for.
#include <gtest/gtest.h>

#include <tuple>

#include "checker/Results.h"
#include "common/Prefs.h"
#include "engine/ErrorNames.h"
#include "standards_fixture.h"

namespace {

std::string Sample(const std::string& name) { return std::string(SAMPLES) + "/" + name + ".pdf"; }

// Message, severity, object kind, problem kind, page.
typedef std::tuple<std::string, int, int, int, int> Listed;
const Listed kXRef{"Cross-reference streams are a PDF 1.5 feature", AUTOFIX_ERROR, KIND_TRAILER, PROBLEM_INVALID, -1};
const Listed kX3Version{"/GTS_PDFXVersion key (must be \"PDF/X-3:2002\")", AUTOFIX_ERROR, KIND_INFO, PROBLEM_INVALID,
                        -1};

class SamplesTest : public standardstest::StandardsFixture {
 protected:
  boost::shared_ptr<PDFXPreflight> CheckSample(const std::string& name, const std::string& standard) {
    host::CloseAllDocuments();
    OpenFile(Sample(name));
    return CheckWith(standard);
  }
};

TEST_F(SamplesTest, QpdfAcceptsEachSample) {
  for (const char* name : {"x1a-good", "x1a-fixable", "rgb-font", "x3-good", "xref-stream"}) {
    std::string report;
    EXPECT_TRUE(enginetest::QpdfAccepts(Sample(name), &report)) << name << "\n" << report;
  }
}

TEST_F(SamplesTest, EachSampleFilesExactlyItsListedRecords) {
  const struct {
    const char* name;
    const char* standard;
    std::vector<Listed> records;
  } cases[] = {
      {"x1a-good", "PDF/X-1a:2001", {}},
      {"x1a-fixable", "PDF/X-1a:2001",
       {Listed{"/Trapped key (must be \"True\" or \"False\")", AUTOFIX_ERROR, KIND_INFO, PROBLEM_MISSING, -1},
        Listed{"One but not both of /ArtBox and /TrimBox must be set for the page", AUTOFIX_ERROR, KIND_PAGE,
               PROBLEM_MISSING, 0}}},
      {"rgb-font", "PDF/X-1a:2001",
       {Listed{"'rg'", UNFIXABLE_ERROR, KIND_OPERATOR, PROBLEM_INVALID, 0},
        Listed{"'Helvetica' 'WinAnsiEncoding' encoding", UNFIXABLE_ERROR, KIND_FONT, PROBLEM_NOT_EMBEDDED, 0}}},
      {"x3-good", "PDF/X-3", {}},
      // x1a-good's records and the stream's own.
      {"xref-stream", "PDF/X-1a:2001", {kXRef}},
      {"x1a-good", "PDF/X-3", {kX3Version}},
      {"xref-stream", "PDF/X-3", {kXRef, kX3Version}},
  };
  for (const auto& c : cases) {
    std::vector<Listed> filed;
    for (const auto& e : CheckSample(c.name, c.standard)->GetErrorList())
      filed.emplace_back(e->GetMessage(), e->GetSeverity(), e->GetObjectKind(), e->GetProblemKind(), e->GetPageIndex());
    EXPECT_EQ(filed, c.records) << c.name;
  }
}

TEST_F(SamplesTest, TheTableOfRgbFontHasItsTwoRowsInFilingOrder) {
  auto table = Zentu::Results(CheckSample("rgb-font", "PDF/X-1a:2001")).WriteTable();
  ASSERT_EQ(table->rows.size(), 2u);
  EXPECT_EQ(table->rows[0].cells,
            (std::vector<std::string>{"1", "Unfixable error", "operator in stream", "invalid value", "'rg'"}));
  EXPECT_EQ(table->rows[1].cells, (std::vector<std::string>{"1", "Unfixable error", "Font", "not embedded",
                                                            "'Helvetica' 'WinAnsiEncoding' encoding"}));
}

}  // namespace
