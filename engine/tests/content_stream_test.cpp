// Content streams read token by token: names, operators and the nodes they
// are shown with, progress by offset, inline images, cut-off data and the
// operator summary of each content.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/ErrorNames.h"
#include "engine/PDFX_Error.h"
#include "host/calls.h"
#include "visit_fixture.h"

namespace {

using enginetest::NodePtr;
using enginetest::OperatorCall;
using enginetest::Tree;
using enginetest::Visit;
using enginetest::VisitFixture;

// A page (object 3) with the given /Contents and resources, followed by
// the objects given (4, 5, ...).
std::vector<std::string> OnePage(const std::string& contents, const std::string& resources,
                                 const std::vector<std::string>& rest) {
  std::vector<std::string> objects = Tree("3 0 R", 1);
  objects.push_back("<< /Type /Page /Parent 2 0 R /Contents " + contents + " /Resources << " + resources + " >> >>");
  objects.insert(objects.end(), rest.begin(), rest.end());
  return objects;
}

// `bytes` bytes of content: lines of one operator each.
std::string Lines(size_t bytes) {
  std::string line = "0 0 m\n";
  std::string content;
  while (content.size() + line.size() <= bytes) content += line;
  content.append(bytes - content.size(), ' ');
  return content;
}

class ContentStreamTest : public VisitFixture {
 protected:
  NodePtr NodeOfKind(int kind) const {
    for (const NodePtr& node : content_->nodes)
      if (node->objectKind == kind) return node;
    return NodePtr();
  }
};

TEST_F(ContentStreamTest, OffsetsRunOnAcrossTheStreamsOfOneContent) {
  OpenPdf(OnePage("[4 0 R 5 0 R 6 0 R]", "",
                  {"stream:|" + Lines(90000), "stream:|" + Lines(90000), "stream:|" + Lines(70000)}));
  auto walker = CheckAll();
  EXPECT_EQ(TextsWith("(at offset"),
            (std::vector<std::string>{"Checking page 1 of 1\n  (at offset 100000 in contents stream)",
                                      "Checking page 1 of 1\n  (at offset 200000 in contents stream)"}));
  EXPECT_FALSE(walker->GetSeverities().test(CANCELLED));
}

TEST_F(ContentStreamTest, ACancelInAContentReadsNoFurtherStreamOfIt) {
  content_->aside = {"ri"};
  OpenPdf(OnePage("[4 0 R 5 0 R 6 0 R]", "",
                  {"stream:|ri " + Lines(90000), "stream:|" + Lines(90000), "stream:|/Marker gs ET"}));
  status_.cancelAt = "Checking page 1 of 1\n  (at offset 100000";
  auto walker = CheckAll();
  EXPECT_TRUE(walker->GetSeverities().test(CANCELLED));
  const std::vector<std::string> ops = Operators();
  EXPECT_EQ(std::count(ops.begin(), ops.end(), "ET"), 0);
  EXPECT_STRNE(PDFXPreflight::GetLastName().c_str(), "/Marker");
  EXPECT_TRUE(OperatorRecords(*walker).empty()) << "no summary after a cancel";
}

TEST_F(ContentStreamTest, NamesAndOperatorsComeWithTheirNodes) {
  OpenPdf(OnePage("[4 0 R 5 0 R]", "/XObject << /A 6 0 R /B 7 0 R >>",
                  {"stream:|q /A Do", "stream:|/B Do Q",
                   "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray|x",
                   "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray|y"}));
  CheckAll();
  // Each name with the stream that wrote it.
  std::vector<int> referrers;
  for (const Visit& v : SeenVisits(KIND_IMAGE)) referrers.push_back(v.referrer);
  EXPECT_EQ(referrers, (std::vector<int>{4, 5}));
  EXPECT_EQ(PDFXPreflight::GetLastName(), "/B");

  // Every operator with the page as holder and the whole content (the
  // array) as container.
  ASSERT_EQ(Operators(), (std::vector<std::string>{"q", "Do", "Do", "Q"}));
  const OperatorCall& first = content_->operators.front();
  EXPECT_EQ(first.kind, KIND_CONTENTS);
  ASSERT_TRUE(first.object && first.container);
  EXPECT_EQ(first.object->objectNumber, 3);
  EXPECT_EQ(first.container->cosType, CosArray);
  EXPECT_EQ(first.container->objectKind, KIND_CONTENTS);
  for (const OperatorCall& call : content_->operators) EXPECT_EQ(call.container, first.container);
}

TEST_F(ContentStreamTest, NamesWithEscapesFindTheResourcesTheyName) {
  // "#20" is a blank, "#23" a "#": resources are keyed by the names they stand for.
  OpenPdf(OnePage("4 0 R", "/XObject << /Im#201 5 0 R /A#23B 6 0 R >>",
                  {"stream:|/Im#201 Do /A#23B Do",
                   "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray|x",
                   "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray|y"}));
  CheckAll();
  EXPECT_EQ(Seen(KIND_IMAGE), (std::vector<int>{5, 6}));
  EXPECT_EQ(PDFXPreflight::GetLastName(), "/A#B");
}

TEST_F(ContentStreamTest, AFormsOperatorsNameTheStreamThatNamedIt) {
  content_->aside = {"ri"};
  OpenPdf(OnePage("4 0 R", "/XObject << /F 5 0 R >>",
                  {"stream:|/F Do", "stream:/Type /XObject /Subtype /Form /BBox [0 0 1 1]|/RI ri"}));
  auto walker = CheckAll();
  ASSERT_EQ(content_->operators.size(), 2u);
  EXPECT_EQ(content_->operators[1].object->objectNumber, 4);
  EXPECT_EQ(content_->operators[1].container->objectNumber, 5);
  auto records = OperatorRecords(*walker);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]->GetObjectNode()->objectNumber, 4);
  EXPECT_EQ(records[0]->GetContainerNode()->objectNumber, 5);
  EXPECT_EQ(records[0]->GetContainerNode()->objectKind, KIND_CONTENTS);
}

TEST_F(ContentStreamTest, AnInlineImageIsOneNodeReadWhole) {
  // Four bytes of data that hold "EI"; then more content.
  OpenPdf(OnePage("4 0 R", "", {"stream:|q BI /W 4 /H 1 /BPC 8 /CS /G ID EI E\nEI Q 0 0 m S"}));
  auto walker = CheckAll();
  EXPECT_EQ(Operators(), (std::vector<std::string>{"q", "BI", "Q", "m", "S"}));
  ASSERT_EQ(SeenVisits(KIND_INLINE_IMAGE).size(), 1u);
  EXPECT_EQ(SeenVisits(KIND_INLINE_IMAGE)[0].referrer, 4);
  NodePtr image = NodeOfKind(KIND_INLINE_IMAGE);
  ASSERT_TRUE(image);
  ASSERT_EQ(image->referrers.size(), 1u);
  EXPECT_EQ(image->referrers.front()->objectNumber, 4);
  // The temporary object is gone, and reading content changed nothing.
  EXPECT_TRUE(image->object.GetType() == CosNull);
  EXPECT_EQ(PDDocGetFlags(pd_) & 1, 0);
  EXPECT_FALSE(walker->GetSeverities().test(PROBLEM));
}

TEST_F(ContentStreamTest, AnInlineImageSeesTheCurrentResources) {
  // Its length comes from a named two-component space: 4 x 1 pixels, 8
  // bytes, which look like content ending in "EI" themselves.
  OpenPdf(OnePage("4 0 R", "/ColorSpace << /CS0 [/DeviceN [/A /B] /DeviceCMYK 5 0 R] >>",
                  {"stream:|BI /W 4 /H 1 /BPC 8 /CS /CS0 ID a EI q Q\nEI S", "<< /FunctionType 2 /Domain [0 1] /N 1 >>"}));
  CheckAll();
  EXPECT_EQ(Operators(), (std::vector<std::string>{"BI", "S"}));
}

TEST_F(ContentStreamTest, CutOffDataEndsOnlyThatStream) {
  OpenPdf(OnePage("[4 0 R 5 0 R 6 0 R 7 0 R]", "",
                  {"stream:|q (never closed Tj", "stream:|n BI /W 1 /H 1 ID xx", "stream:|W BI /W 4 /H 1 /BPC 8 /CS /G ID ab",
                   "stream:|Q"}));
  auto walker = CheckAll();
  EXPECT_EQ(Operators(), (std::vector<std::string>{"q", "n", "BI", "W", "BI", "Q"}));
  EXPECT_TRUE(SeenVisits(KIND_INLINE_IMAGE).empty());
  EXPECT_FALSE(walker->GetSeverities().test(PROBLEM));
  EXPECT_FALSE(walker->GetSeverities().test(CANCELLED));
}

TEST_F(ContentStreamTest, TheOperatorsPutAsideAreSummedUpOncePerContent) {
  content_->aside = {"ri", "X", "BX", "EX"};
  std::vector<std::string> objects = Tree("3 0 R 5 0 R", 2);
  objects.insert(objects.end(), {"<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>", "stream:|X BX ri X EX ri q Q X",
                                 "<< /Type /Page /Parent 2 0 R /Contents 6 0 R >>", "stream:|q Q"});
  OpenPdf(objects);
  auto walker = CheckAll();
  auto records = OperatorRecords(*walker);
  ASSERT_EQ(records.size(), 1u) << "the second page put nothing aside";
  const auto& summary = records[0];
  EXPECT_EQ(summary->GetMessage(), "Use of the 'ri' operator is prohibited.  The 'X' operator is unknown in PDF 1.3");
  EXPECT_EQ(summary->GetSeverity(), AUTOFIX_ERROR);
  EXPECT_EQ(summary->GetProblemKind(), PROBLEM_INVALID);
  EXPECT_EQ(summary->GetObjectNode()->objectNumber, 3);
  EXPECT_EQ(summary->GetContainerNode()->objectNumber, 4);
  EXPECT_EQ(summary->GetPageIndex(), 0);
  // Sorted, each name once: what the operator remover will take out.
  const std::list<std::string>* names = walker->FindOperatorsToRemove(*summary);
  ASSERT_TRUE(names);
  EXPECT_EQ(*names, (std::list<std::string>{"BX", "EX", "X", "ri"}));
}

TEST_F(ContentStreamTest, AnOffendingOperatorIsFiledWhereItIsMet) {
  content_->prohibited = {"d0"};
  OpenPdf(OnePage("4 0 R", "", {"stream:|0 0 d0 q Q 0 0 d0"}));
  auto walker = CheckAll();
  auto records = OperatorRecords(*walker);
  ASSERT_EQ(records.size(), 2u);
  for (const auto& record : records) {
    EXPECT_EQ(record->GetMessage(), "'d0'");
    EXPECT_EQ(record->GetDetail(), "d0");
    EXPECT_EQ(record->GetSeverity(), UNFIXABLE_ERROR);
    EXPECT_EQ(record->GetObjectNode()->objectNumber, 3);
    EXPECT_EQ(record->GetContainerNode()->objectNumber, 4);
  }
}

TEST_F(ContentStreamTest, AContentReadInsideAnotherKeepsItsOwnOperators) {
  // What a Type 3 glyph does: its content is read while the page's is.
  content_->aside = {"ri", "X"};
  OpenPdf(OnePage("4 0 R", "/ExtGState << /G << /Type /ExtGState >> >>",
                  {"stream:|X /G gs q Q", "stream:|ri 0 0 m"}));
  log_->onNode = [this](PDFXPreflight& walker, const NodePtr& node) {
    if (node->objectKind != KIND_EXTGSTATE) return;
    NodePtr glyph(new ObjectNode(Obj(5), KIND_CONTENTS, std::string()));
    walker.CheckFormContent(glyph, node);
  };
  auto walker = CheckAll();
  auto records = OperatorRecords(*walker);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]->GetContainerNode()->objectNumber, 5);
  EXPECT_EQ(records[0]->GetMessage(), "Use of the 'ri' operator is prohibited.  ");
  EXPECT_EQ(records[1]->GetContainerNode()->objectNumber, 4);
  EXPECT_EQ(records[1]->GetMessage(), "The 'X' operator is unknown in PDF 1.3");
}

}  // namespace
