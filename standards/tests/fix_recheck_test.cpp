// After "Fix all", what the checker says of the document in hand is what a
// fresh check of the saved file says: every generated document and every
// sample, under both standards, with no settings and with those a fresh
// installation starts with.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "common/Prefs.h"
#include "core/host.h"
#include "engine/Conformance.h"
#include "engine/PDFX_Error.h"
#include "fix_all.h"
#include "testing/pdfmaker.h"

namespace {

using standardstest::kX1a;
using standardstest::kX3;

// The open records by severity, and their list for a mismatch's message.
std::pair<std::array<int, 10>, std::string> OpenRecords(const PDFXPreflight& walker) {
  std::pair<std::array<int, 10>, std::string> open{};
  for (const auto& error : walker.GetErrorList()) {
    const int severity = error->GetEffectiveSeverity();
    if (severity < 0 || severity > 9) continue;
    ++open.first[static_cast<size_t>(severity)];
    open.second += "  " + std::to_string(severity) + " " + error->GetMessage() + "\n";
  }
  return open;
}

class FixRecheckTest : public standardstest::FixAllFixture {
 protected:
  // Checks, fixes all, saves and checks the saved file again; a file the
  // host cannot open or check is another test's business.
  void Compare(const std::string& standard, const std::string& path, const std::string& label) {
    SCOPED_TRACE(label + " under " + standard);
    host::CloseAllDocuments();
    boost::shared_ptr<PDFXPreflight> walker;
    try {
      OpenFile(path);
      walker = CheckWith(standard);
    } catch (...) {
      return;
    }
    ui_.SetDocument(pd_);
    FixDocument(walker);
    const auto fixed = OpenRecords(*walker);
    // As the checker saves: at the standards' version.
    host::SaveDocument(pd_, home_.File("saved.pdf"), 1, 3);
    walker.reset();
    status_.SetWalker(walker);
    host::CloseAllDocuments();
    OpenFile(home_.File("saved.pdf"));
    const auto fresh = OpenRecords(*CheckWith(standard));
    EXPECT_EQ(fixed.first, fresh.first) << "after Fix all:\n" << fixed.second << "checked again:\n" << fresh.second;
    ++compared_;
  }
  int compared_ = 0;
};

TEST_F(FixRecheckTest, FixAllClaimsWhatAFreshCheckOfTheSavedFileFinds) {
  const char* const samples[] = {"rgb-font", "sample", "x1a-fixable", "x1a-good", "x3-good", "xref-stream"};
  // A fresh installation: the workflow limits and the first condition of
  // the standard that its preferences show.
  const boost::shared_ptr<Zentu::Conformance> first = Zentu::Conformance::CreateByName(kX1a);
  const std::string condition = "CGATS TR 001";
  const std::vector<std::pair<std::string, std::string>> fresh = {
      {"min_image_dpi", "150"},
      {"max_image_dpi", "400"},
      {"min_1bit_dpi", "300"},
      {"max_1bit_dpi", "1200"},
      {"default_condition", condition},
      {"default_profile_info_key", first->GetPrintingConditions().at(condition)->description}};
  for (int settings = 0; settings < 2; ++settings) {
    for (const char* standard : {kX1a, kX3}) {
      Prefs::Section().clear();
      if (settings == 1)
        for (const auto& s : fresh) Prefs::Set(s.first, s.second);
      const std::string label = settings ? "fresh settings, " : "no settings, ";
      std::vector<std::pair<std::string, std::string>> documents = {{"baseline", standardstest::Baseline(standard).Pdf()}};
      for (const standardstest::Variant& v : standardstest::Variants())
        documents.emplace_back(v.name, standardstest::Make(standard, v.name).Pdf());
      for (const auto& d : documents) {
        const std::string input = home_.File("input.pdf");
        hosttest::WriteFile(input, d.second);
        Compare(standard, input, label + d.first);
      }
      for (const char* sample : samples)
        Compare(standard, std::string(SAMPLES) + "/" + sample + ".pdf", label + sample);
    }
  }
  EXPECT_GT(compared_, 100);
}

}  // namespace
