#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker/Results.h"
#include "engine/ErrorNames.h"
#include "fix_fixture.h"

namespace {

using Zentu::Results;
typedef boost::shared_ptr<PDFXPreflight> WalkerPtr;
typedef boost::shared_ptr<Zentu::PDFX_Error> ErrorPtr;

template <class Mask>
Mask Bit(int n) {
  Mask mask;
  mask.set(static_cast<size_t>(n));
  return mask;
}

ErrorPtr File(const WalkerPtr& walker, const std::string& message, int severity, int kind, int problem) {
  return walker->AddNodeError(message, "", severity, kind, problem, {}, {});
}

class ResultsTest : public enginetest::FixFixture {};

TEST_F(ResultsTest, CountsAreOfOpenRecordsAndMatchesOfEveryRecord) {
  Results none((WalkerPtr()));
  EXPECT_EQ(none.Count(Results::kFixable), -1);
  EXPECT_EQ(none.CountMatching(Results::kFixable, Bit<Results::ObjectKinds>(KIND_PAGE), {}), -1);
  EXPECT_FALSE(none.WriteTable());
  EXPECT_FALSE(none.HasRGBErrors());

  WalkerPtr walker(new PDFXPreflight);
  ErrorPtr autofix = File(walker, "box", AUTOFIX_ERROR, KIND_PAGE, PROBLEM_MISSING);
  File(walker, "font", UNFIXABLE_ERROR, KIND_FONT, PROBLEM_NOT_EMBEDDED);
  Results results(walker);
  EXPECT_EQ(results.Count({}), -1);
  EXPECT_EQ(results.CountMatching({}, {}, {}), -1);
  EXPECT_EQ(results.Count(Results::kWorkflow), 0);
  EXPECT_EQ(results.Count(Results::kErrors), 2);

  // A fixed record leaves the counts but keeps its row and still matches.
  autofix->SetFixed(true);
  EXPECT_EQ(results.Count(Results::kFixable), 0);
  EXPECT_EQ(results.Count(Results::kErrors), 1);
  boost::shared_ptr<Zentu::ResultsTable> table = results.WriteTable();
  ASSERT_EQ(table->rows.size(), 2u);
  EXPECT_EQ(table->rows[0].error, autofix);
  EXPECT_EQ(results.CountMatching(Results::kFixable, Bit<Results::ObjectKinds>(KIND_PAGE), {}), 1);
  EXPECT_EQ(results.CountMatching(Results::kFixable, {}, {}), 0);

  // An operator summary without severity matches no severity mask, and
  // nothing throws for it.
  File(walker, "", SEVERITY_UNKNOWN, KIND_OPERATOR, PROBLEM_INVALID);
  File(walker, "resolution", WORKFLOW_ERROR, KIND_IMAGE, PROBLEM_IMAGE_RESOLUTION);
  int count = -2;
  EXPECT_NO_THROW(count = results.CountMatching(Results::kWorkflow, {},
                                                Bit<Results::ProblemKinds>(PROBLEM_IMAGE_RESOLUTION)));
  EXPECT_EQ(count, 1);
  EXPECT_EQ(results.CountMatching({}, Bit<Results::ObjectKinds>(KIND_OPERATOR), {}), 1);
  EXPECT_EQ(results.CountMatching(Results::Severities().set(), Bit<Results::ObjectKinds>(KIND_OPERATOR), {}), 0);
}

TEST_F(ResultsTest, TableCellsNameThePageTheLevelTheLocationAndTheType) {
  struct Case {
    int severity, kind, problem, page;
    std::vector<std::string> cells;
  };
  const Case cases[] = {
      {SEVERITY_UNKNOWN, KIND_OPERATOR, PROBLEM_INVALID, -1, {"n/a", "Unknown", "operator in stream", "invalid value", "a"}},
      {PROBLEM, KIND_DOCUMENT, PROBLEM_NONE, 0, {"1", "Problem in verification", "Document", "", "b"}},
      {DEBUG_WARNING, KIND_PAGE, PROBLEM_GENERAL, 11, {"12", "Debug warning", "Page", "", "c"}},
      {UNFIXABLE_ERROR, KIND_FONT, PROBLEM_NOT_EMBEDDED, 2, {"3", "Unfixable error", "Font", "not embedded", "d"}},
  };
  WalkerPtr walker(new PDFXPreflight);
  for (const Case& c : cases)
    File(walker, c.cells[4], c.severity, c.kind, c.problem)->SetPageIndex(c.page);
  boost::shared_ptr<Zentu::ResultsTable> table = Results(walker).WriteTable();
  EXPECT_EQ(table->titles, (std::vector<std::string>{"Page", "Error level", "Location", "Type", "Description"}));
  ASSERT_EQ(table->rows.size(), sizeof cases / sizeof cases[0]);
  for (size_t i = 0; i < table->rows.size(); ++i) EXPECT_EQ(table->rows[i].cells, cases[i].cells) << i;
  EXPECT_EQ(table->rows[0].Cell(6), "");
  EXPECT_EQ(table->rows[0].cells.size(), 7u);
}

// Colour spaces as documents hold them; RGB is found only in values of
// the type the family reads, and any other value is no hit.
TEST_F(ResultsTest, RGBErrorsAreOpenRecordsOverRGBColourOrItsOperators) {
  Open({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
        "[ [/ICCBased 4 0 R] /Pattern [/Indexed [/ICCBased 4 0 R] 1 <0000000000ff>] [/ICCBased 5 0 R]"
        " [/Indexed /DeviceRGB 1 <0000000000ff>] [/Separation /Spot /DeviceRGB 6 0 R]"
        " [/DeviceN [/A /B] /CalRGB 6 0 R] [/Indexed [/DeviceRGB] 1 <00ff>] [/ICCBased] ]",
        "stream:/N 3|profile", "stream:/Alternate /DeviceRGB|profile",
        "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0] /C1 [1 1 1] /N 1 >>"});
  struct Case {
    int space;  // element of object 3; -1: an operator record
    const char* message;
    bool fixed;
    bool rgb;
  };
  const Case cases[] = {
      {0, "ICC", false, true},        {0, "ICC", true, false},        {1, "bare", false, false},
      {2, "indexed ICC", false, false}, {3, "no N", false, false},    {4, "indexed", false, true},
      {5, "separation", false, true}, {6, "devicen", false, true},    {7, "array base", false, false},
      {8, "short", false, false},     {-1, "'RG'", false, true},      {-1, "'rg'", true, false},
      {-1, "'k'", false, false},
  };
  for (const Case& c : cases) {
    WalkerPtr walker(new PDFXPreflight);
    ErrorPtr error = c.space < 0 ? File(walker, c.message, UNFIXABLE_ERROR, KIND_OPERATOR, PROBLEM_INVALID)
                                 : walker->AddError(Obj(3), Obj(3).Get(c.space), c.message, "", UNFIXABLE_ERROR,
                                                    KIND_COLORSPACE, PROBLEM_INVALID);
    error->SetFixed(c.fixed);
    bool rgb = !c.rgb;
    EXPECT_NO_THROW(rgb = Results(walker).HasRGBErrors()) << c.message;
    EXPECT_EQ(rgb, c.rgb) << c.message;
  }
  WalkerPtr without(new PDFXPreflight);
  File(without, "no container", UNFIXABLE_ERROR, KIND_COLORSPACE, PROBLEM_INVALID);
  EXPECT_FALSE(Results(without).HasRGBErrors());
}

}  // namespace
