#include <gtest/gtest.h>

#include "checker/Results.h"
#include "engine/ErrorNames.h"
#include "fix_fixture.h"

namespace {

using Zentu::Results;
typedef boost::shared_ptr<PDFXPreflight> WalkerPtr;

template <class Mask>
Mask Bit(int n) {
  return Mask().set(static_cast<size_t>(n));
}

boost::shared_ptr<Zentu::PDFX_Error> File(const WalkerPtr& walker, const std::string& message, int severity,
                                          int kind, int problem, int page = -1) {
  auto error = walker->AddNodeError(message, "", severity, kind, problem, {}, {});
  error->SetPageIndex(page);
  return error;
}

class ResultsTest : public enginetest::FixFixture {};

TEST_F(ResultsTest, CountsAreOfOpenRecordsAndMatchesOfEveryRecord) {
  Results none((WalkerPtr()));
  EXPECT_EQ(none.Count(Results::kFixable), -1);
  EXPECT_EQ(none.CountMatching(Results::kFixable, Bit<Results::ObjectKinds>(KIND_PAGE), {}), -1);
  EXPECT_FALSE(none.WriteTable());

  WalkerPtr walker(new PDFXPreflight);
  auto autofix = File(walker, "box", AUTOFIX_ERROR, KIND_PAGE, PROBLEM_MISSING);
  File(walker, "font", UNFIXABLE_ERROR, KIND_FONT, PROBLEM_NOT_EMBEDDED);
  Results results(walker);
  EXPECT_EQ(results.Count({}), -1);
  EXPECT_EQ(results.CountMatching({}, {}, {}), -1);
  EXPECT_EQ(results.Count(Results::kWorkflow), 0);
  autofix->SetFixed(true);
  EXPECT_EQ(results.Count(Results::kFixable), 0);
  EXPECT_EQ(results.WriteTable()->rows.at(0).error, autofix);
  EXPECT_EQ(results.CountMatching(Results::kFixable, Bit<Results::ObjectKinds>(KIND_PAGE), {}), 1);
  EXPECT_EQ(results.CountMatching(Results::kFixable, {}, {}), 0);

  // An operator summary without severity matches no severity mask.
  File(walker, "", SEVERITY_UNKNOWN, KIND_OPERATOR, PROBLEM_INVALID);
  File(walker, "resolution", WORKFLOW_ERROR, KIND_IMAGE, PROBLEM_IMAGE_RESOLUTION);
  EXPECT_EQ(results.CountMatching(Results::kWorkflow, {}, Bit<Results::ProblemKinds>(PROBLEM_IMAGE_RESOLUTION)), 1);
  EXPECT_EQ(results.CountMatching(Results::Severities().set(), Bit<Results::ObjectKinds>(KIND_OPERATOR), {}), 0);
  EXPECT_EQ(results.CountMatching({}, Bit<Results::ObjectKinds>(KIND_OPERATOR), {}), 1);
}

TEST_F(ResultsTest, TableCellsNameThePageTheLevelTheLocationAndTheType) {
  const std::vector<std::vector<std::string>> rows = {
      {"n/a", "Unknown", "operator in stream", "invalid value", "a"},
      {"1", "Problem in verification", "Document", "", "b"},
      {"12", "Debug warning", "Page", "", "c"},
  };
  WalkerPtr walker(new PDFXPreflight);
  File(walker, "a", SEVERITY_UNKNOWN, KIND_OPERATOR, PROBLEM_INVALID, -1);
  File(walker, "b", PROBLEM, KIND_DOCUMENT, PROBLEM_NONE, 0);
  File(walker, "c", DEBUG_WARNING, KIND_PAGE, PROBLEM_GENERAL, 11);
  auto table = Results(walker).WriteTable();
  EXPECT_EQ(table->titles, (std::vector<std::string>{"Page", "Error level", "Location", "Type", "Description"}));
  ASSERT_EQ(table->rows.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(table->rows[i].cells, rows[i]);
}

// RGB is found only in values of the type the family reads.
TEST_F(ResultsTest, RGBErrorsAreOpenRecordsOverRGBColourOrItsOperators) {
  Open({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
        "[ [/ICCBased 4 0 R] /Pattern [/Indexed [/ICCBased 4 0 R] 1 <0000000000ff>] [/ICCBased 5 0 R]"
        " [/Indexed /DeviceRGB 1 <0000000000ff>] [/Separation /S /DeviceRGB 6 0 R] [/DeviceN [/A] /CalRGB 6 0 R] ]",
        "stream:/N 3|icc", "stream:/Alternate /DeviceRGB|icc", "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >>"});
  struct Case {
    int space;  // element of object 3; -1: an operator record
    const char* message;
    bool fixed, rgb;
  } cases[] = {{0, "ICC", false, true},   {0, "ICC", true, false},     {1, "bare", false, false},
               {2, "base ICC", false, false}, {3, "no N", false, false}, {4, "indexed", false, true},
               {5, "separation", false, true}, {6, "devicen", false, true}, {-1, "'RG'", false, true}};
  for (const Case& c : cases) {
    WalkerPtr walker(new PDFXPreflight);
    auto error = c.space < 0 ? File(walker, c.message, UNFIXABLE_ERROR, KIND_OPERATOR, PROBLEM_INVALID)
                             : walker->AddError(Obj(3), Obj(3).Get(c.space), c.message, "", UNFIXABLE_ERROR,
                                                KIND_COLORSPACE, PROBLEM_INVALID);
    error->SetFixed(c.fixed);
    bool rgb = !c.rgb;
    EXPECT_NO_THROW(rgb = Results(walker).HasRGBErrors()) << c.message;
    EXPECT_EQ(rgb, c.rgb) << c.message;
  }
}

}  // namespace
