#include "visit_fixture.h"

#include "core/host.h"
#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/PDFX_Error.h"
#include "host/calls.h"

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

const char kType3FontProgram[] = R"PS(
8 dict begin
/FontType 3 def /FontMatrix [.001 0 0 .001 0 0] def /FontBBox [0 0 1000 1000] def
/Encoding 256 array def 0 1 255 { Encoding exch /.notdef put } for
Encoding 65 /box put Encoding 66 /tri put
/CharProcs 3 dict def
CharProcs begin
/.notdef { } def
/box { 0 0 moveto 0 1000 lineto 1000 1000 lineto 1000 0 lineto closepath fill } def
/tri { 0 0 moveto 500 1000 lineto 1000 0 lineto closepath fill } def
end
/BuildGlyph { 1000 0 0 0 1000 1000 setcachedevice exch /CharProcs get exch 2 copy known not { pop /.notdef } if get exec } bind def
/BuildChar { 1 index /Encoding get exch get 1 index /BuildGlyph get exec } bind def
currentdict end
/Boxes exch definefont pop
)PS";

std::string VisitFixture::Distill(const std::string& name, const std::string& program, const std::string& options) {
  const std::string source = home_.File(name + ".ps");
  const std::string pdf = home_.File(name + ".pdf");
  hosttest::WriteFile(source, program);
  std::string output;
  const int status = hosttest::RunCommand("gs -q -dNOPAUSE -dBATCH -sDEVICE=pdfwrite " + options + " -sOutputFile=" +
                                              hosttest::Quoted(pdf) + " " + hosttest::Quoted(source),
                                          &output);
  EXPECT_EQ(status, 0) << "Ghostscript is a test dependency (./setup installs it): " << output;
  EXPECT_TRUE(hosttest::FileExists(pdf)) << output;
  return pdf;
}

boost::shared_ptr<PDFXPreflight> VisitFixture::CheckWholeFile(const std::string& path) {
  view_ = host::OpenInView(path);
  pd_ = AVDocGetPDDoc(view_);
  auto walker = CheckAll();
  EXPECT_FALSE(walker->GetSeverities().test(PROBLEM)) << path;
  EXPECT_FALSE(walker->GetSeverities().test(CANCELLED)) << path;
  EXPECT_EQ(Seen(KIND_PAGE).size(), static_cast<size_t>(PDDocGetNumPages(pd_))) << path;
  EXPECT_TRUE(walker->GetPendingMap().empty());
  EXPECT_EQ(walker->GetResourceStack().Size(), 0u);
  return walker;
}

}  // namespace enginetest
