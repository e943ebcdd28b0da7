#include "visit_fixture.h"

#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/PDFX_Error.h"

namespace enginetest {

Zentu::Conformance* ContentStandard::Clone() {
  BuildRules();
  return new ContentStandard(*this);
}

CheckResult ContentStandard::CheckNode(PDFXPreflight& walker, const NodePtr& node, const NodePtr& referrer) {
  content_->nodes.push_back(node);
  return RecordingStandard::CheckNode(walker, node, referrer);
}

CheckResult ContentStandard::CheckOperator(PDFXPreflight& walker, int kind, const char* op,
                                           const NodePtr& objectNode, const NodePtr& containerNode) {
  content_->operators.push_back(OperatorCall{op, kind, objectNode, containerNode});
  if (content_->aside.count(op)) walker.GetOperatorNames().push_back(op);
  if (content_->prohibited.count(op)) {
    AddOperatorError(walker, objectNode, containerNode, UNFIXABLE_ERROR, op, boost::shared_ptr<Zentu::Fixer>(),
                     nullptr);
  }
  return CheckResult();
}

bool ContentStandard::CheckPageBoxes(PDFXPreflight&, const NodePtr& page, const NodePtr& art, const NodePtr& bleed,
                                     const NodePtr& crop, const NodePtr& media, const NodePtr& trim) {
  content_->boxes.push_back(BoxCall{page, {art, bleed, crop, media, trim}});
  return true;
}

void VisitFixture::SetUp() {
  WalkerFixture::SetUp();
  ASSERT_TRUE(Zentu::Conformance::Register(new ContentStandard("V", log_, content_)));
}

boost::shared_ptr<PDFXPreflight> VisitFixture::CheckAll() {
  boost::shared_ptr<PDFXPreflight> walker = NewWalker();
  walker->Check();
  return walker;
}

std::vector<std::string> VisitFixture::Operators() const {
  std::vector<std::string> ops;
  for (const OperatorCall& call : content_->operators) ops.push_back(call.op);
  return ops;
}

std::vector<std::string> VisitFixture::TextsWith(const std::string& part) const {
  std::vector<std::string> found;
  for (const std::string& text : status_.texts)
    if (text.find(part) != std::string::npos) found.push_back(text);
  return found;
}

std::vector<boost::shared_ptr<Zentu::PDFX_Error>> VisitFixture::OperatorRecords(const PDFXPreflight& walker) const {
  std::vector<boost::shared_ptr<Zentu::PDFX_Error>> records;
  for (const auto& error : walker.GetErrorList())
    if (error->GetObjectKind() == KIND_OPERATOR) records.push_back(error);
  return records;
}

std::vector<std::string> Tree(const std::string& kids, int count, const std::string& pagesExtra) {
  return {"<< /Type /Catalog /Pages 2 0 R >>",
          "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(count) + " " + pagesExtra + " >>"};
}

}  // namespace enginetest
