// The rule trees of both standards: what a build leaves, and the records
// whole documents get.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "common/Prefs.h"
#include "core/host.h"
#include "engine/ErrorNames.h"
#include "host/calls.h"
#include "standards/PDF_X_3_2002.h"
#include "standards_fixture.h"
#include "testing/processes.h"

namespace {

using standardstest::Finding;
using standardstest::kColorSpaces;
using standardstest::kFilters;
using standardstest::kInlineFilters;
using standardstest::kTransparency;
using standardstest::kX1a;
using standardstest::kX3;

// What a root tests: its object kind, or "stream".
std::string RootText(const KeyRule& rule) {
  if (rule.kind == KeyRule::COS_TYPE && rule.cosTypes == std::vector<int>{CosStream}) return "stream";
  return rule.kind == KeyRule::OBJECT_KIND ? std::to_string(rule.objectKind) : "?";
}

size_t Entries(const KeyTable& table) {
  size_t count = 0;
  for (const auto& group : table) count += group.second.size();
  return count;
}

const char kRemover[] = "TransparencyRemovalFixer";

class RuleTreeTest : public standardstest::StandardsFixture {
 protected:
  void SetUp() override {
    StandardsFixture::SetUp();
    Prefs::Set("default_condition", "CGATS TR 001");
  }
};

TEST_F(RuleTreeTest, BuildsLeaveTheRootsBehindTheWorkflowRootsOnce) {
  const struct {
    const char* standard;
    std::vector<std::string> roots;
    size_t keys;
  } cases[] = {
      {kX1a, {"9", "25", "stream", "12", "19", "1", "14", "10", "11", "13", "32", "33", "5", "21"}, 14},
      {kX3, {"9", "stream", "12", "25", "20", "19", "1", "14", "10", "11", "13", "32", "33", "5", "21"}, 12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.standard);
    // The fonts' rule of the workflow comes first.
    Prefs::Set("make_workflow_checks", "true");
    Prefs::Set("type1_fonts_only", "true");
    std::vector<std::string> expected = c.roots;
    expected.insert(expected.begin(), std::to_string(KIND_FONT));
    boost::shared_ptr<Zentu::Conformance> first = Zentu::Conformance::CreateByName(c.standard);
    boost::shared_ptr<Zentu::Conformance> second = Zentu::Conformance::CreateByName(c.standard);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->rules, second->rules) << "one list, shared";
    std::vector<std::string> roots;
    for (const auto& rule : *second->rules) roots.push_back(RootText(*rule));
    EXPECT_EQ(roots, expected);
    EXPECT_EQ(Entries(*second->keyTable), c.keys);
    Prefs::Section().clear();
  }

  Zentu::Conformance::CreateByName(kX3);
  std::set<ASAtom> all;
  size_t names = 0;
  for (int family = 1; family <= 3; ++family) {
    const std::set<ASAtom>& set = Zentu::PDF_X_3_2002::ProcessColorants(family);
    names += set.size();
    all.insert(set.begin(), set.end());
  }
  EXPECT_EQ(names, 8u);
  EXPECT_EQ(all, Zentu::PDF_X_3_2002::ProcessColorants(0));
  EXPECT_EQ(all.count(ASAtomFromString("Black")), 1u);
  EXPECT_EQ(all.count(ASAtomFromString("TheEnd")), 0u);
}

TEST_F(RuleTreeTest, DocumentsGetTheRecordsOfTheirRules) {
  const Finding ri{"Use of the 'ri' operator is prohibited.  ", "", 5, KIND_OPERATOR, 3, 0, "OperatorRemovalFixer"};
  const Finding ex{"", "", -1, KIND_OPERATOR, 3, 0, "OperatorRemovalFixer"};
  const Finding rgb{kColorSpaces, "", 7, KIND_COLORSPACE, 3, 0, ""};
  const Finding lzw{kFilters, "", 5, KIND_IMAGE, 5, 0, "CompressionFixer"};
  const Finding ccitt{"Only 1-bit images may use CCITTFaxDecode (must be \"1\")", "BitsPerComponent", 7, KIND_IMAGE,
                      5, 0, "CompressionFixer"};
  const Finding view{"This is a PDF 1.4 feature", "ViewArea", 4, KIND_CATALOG, 3, -1, ""};
  const Finding separated{"Pre-separated PDF files are not allowed", "SeparationInfo", 7, KIND_PAGE, 3, 0, ""};
  const struct {
    const char* variant;    // "": the baseline
    const char* standard;   // null: both
    std::vector<Finding> expected;
  } cases[] = {
      {"", nullptr, {}},
      {"ri-operator", kX1a, {ri}},
      {"ri-operator", kX3, {}},
      {"ex-operator", nullptr, {ex}},
      {"rgb-image", kX1a, {rgb}},
      {"indexed-rgb-image",
       kX1a,
       {{"The base colorspace is restricted (must be one of \"DeviceGray\", \"DeviceCMYK\", \"Separation\", or "
         "\"DeviceN\")",
         "", 7, KIND_UNKNOWN, 3, 0, ""}, rgb}},
      {"separation-rgb-image",
       kX1a,
       {{"The alternate colorspace of a Separation colorspace is restricted (must be \"DeviceGray\" or \"DeviceCMYK\")",
         "", 7, KIND_UNKNOWN, 3, 0, ""},
        {"fourth element of Separation colorspace, if present, must be a Function object", "", 7, KIND_COLORSPACE, 1,
         0, ""},
        rgb}},
      {"lzw-image", nullptr, {lzw}},
      {"ccitt-8-bit-image", nullptr, {ccitt}},
      {"flate-inline-image", nullptr, {}},
      {"lzw-inline-image", nullptr, {{kInlineFilters, "", 7, KIND_UNKNOWN, 3, 0, ""}}},
      {"garbage-icc-image", kX1a, {rgb}},
      {"garbage-icc-image", kX3, {}},
      {"separation-info", nullptr, {separated}},
      {"image-soft-mask-none",
       nullptr,
       {{"The \"SMask\" key is a PDF 1.4 feature", "SMask", 7, KIND_IMAGE, 3, 0, ""},
        {kTransparency, "", 5, KIND_PAGE, 3, 0, kRemover}}},
      {"half-transparent-state", nullptr, {{kTransparency, "", 7, KIND_PAGE, 3, 0, kRemover}}},
      {"opaque-state", nullptr, {}},
      {"transparent-page-group", nullptr, {{kTransparency, "", 7, KIND_PAGE, 3, 0, kRemover}}},
      {"transparent-form", nullptr, {{kTransparency, "", 7, KIND_PAGE, 3, 0, kRemover}}},
      {"transparent-appearance", nullptr, {{kTransparency, "", 7, KIND_PAGE, 3, 0, kRemover}}},
      {"square-annotation",
       nullptr,
       {{"Non-TrapNet annotations must not obscure the visual impression of a page", "Rect", 5, KIND_ANNOTATION, 3, 0,
         "ObscuringAnnotationFixer"}}},
      {"javascript-open-action", nullptr, {{"Actions are not allowed", "", 5, KIND_UNKNOWN, 3, -1, "ActionFixer"}}},
      {"trap-network-cmyk", nullptr, {}},
      {"trap-network-rgb",
       kX1a,
       {{"The PCM key of the TrapNet annotation must be /DeviceCMYK (must be \"DeviceCMYK\")", "PCM", 7, KIND_FORM, 3,
         0, ""}}},
      {"trap-network-rgb",
       kX3,
       {{"The PCM key of the TrapNet annotation must match the output condition colorspace", "", 7, KIND_FORM, 3, 0,
         ""}}},
      {"view-area-beside-preferences", nullptr, {view}},
      {"view-area-in-preferences", nullptr, {}},
      {"press-intent-a2b0-profile", kX1a, {{"ICC profile does not contain an AtoB1 tag", "", 7, KIND_ICC_PROFILE, 2, -1, ""}}},
      {"press-intent-monitor-profile",
       kX3,
       {{"ICC profile is not an output device profile", "", 7, KIND_ICC_PROFILE, 3, -1, ""}}},
      {"press-intent-without-profile",
       kX1a,
       {{"There must be an output profile in the OutputIntent dictionary for characterized printing conditions which "
         "are not listed in the registry",
         "DestOutputProfile", 7, KIND_CATALOG, 2, -1, "PDF_X_1_2001::DestOutputProfileFixer"}}},
      {"press-intent-without-profile",
       kX3,
       {{"/DestOutputProfile key is required", "DestOutputProfile", 5, KIND_UNKNOWN, 2, -1,
         "PDF_X_3_2002::OutputIntentMegaFixer"}}},
      {"no-output-intents",
       kX1a,
       {{"There must be an OutputIntent in the Catalog object", "OutputIntents", 5, KIND_CATALOG, 2, -1,
         "PDF_X_1_2001::OutputIntentMegaFixer"}}},
      {"no-file-identifier", nullptr, {{"The /ID key in Trailer", "", 5, KIND_TRAILER, 2, -1, "JustSaveFixer"}}},
      {"no-title-or-creator",
       nullptr,
       {{"/Title key", "Title", 5, KIND_INFO, 2, -1, "InfoDictFixer"},
        {"/Creator key", "Creator", 2, KIND_INFO, 2, -1, "InfoDictFixer"}}},
      {"trapped-unknown",
       nullptr,
       {{"/Trapped key (must be \"True\" or \"False\")", "Trapped", 5, KIND_INFO, 3, -1, "InfoDictFixer"}}},
  };
  for (const auto& c : cases) {
    for (const char* standard : {kX1a, kX3}) {
      if (c.standard && std::string(c.standard) != standard) continue;
      SCOPED_TRACE(std::string(c.variant) + " under " + standard);
      OpenDocument(*c.variant ? standardstest::Make(standard, c.variant) : standardstest::Baseline(standard));
      ExpectFindings(standard, c.expected);
    }
  }
}

// Written again by qpdf with a table and with a cross-reference stream, a
// document gets the same records, and the stream's one record beside them.
TEST_F(RuleTreeTest, GeneratedDocumentsPassQpdfAndReadAlikeFromCrossReferenceStreams) {
  const Finding stream{"Cross-reference streams are a PDF 1.5 feature", "XRef", AUTOFIX_ERROR, KIND_TRAILER,
                       PROBLEM_INVALID, -1, "JustSaveFixer"};
  const std::string path = home_.File("document.pdf"), table = home_.File("table.pdf"), packed = home_.File("packed.pdf");
  auto findings = [&](const std::string& file, const char* standard) {
    host::CloseAllDocuments();
    OpenFile(file);
    return standardstest::Findings(*CheckWith(standard));
  };
  for (const char* standard : {kX1a, kX3}) {
    std::vector<standardstest::Document> documents = {standardstest::Baseline(standard)};
    for (const standardstest::Variant& variant : standardstest::Variants())
      documents.push_back(standardstest::Make(standard, variant.name));
    for (size_t i = 0; i < documents.size(); ++i) {
      SCOPED_TRACE(std::string(standard) + " " + (i ? standardstest::Variants()[i - 1].name : "baseline"));
      hosttest::WriteFile(path, documents[i].Pdf());
      std::string report;
      EXPECT_TRUE(enginetest::QpdfAccepts(path, &report)) << report;
      for (const auto& form : {std::make_pair("disable", table), std::make_pair("generate", packed)})
        ASSERT_EQ(hosttest::RunCommand("qpdf --object-streams=" + std::string(form.first) + " " +
                                       hosttest::Quoted(path) + " " + hosttest::Quoted(form.second)), 0);
      std::vector<Finding> expected = findings(table, standard);
      // Filed after the trailer rules, before the rest of the walk.
      expected.insert(std::find_if(expected.begin(), expected.end(),
                                   [](const Finding& f) { return f.objectKind != KIND_TRAILER; }),
                      stream);
      EXPECT_EQ(findings(packed, standard), expected);
    }
  }
}

}  // namespace
