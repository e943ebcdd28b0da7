#include "walker_fixture.h"

#include <cstdlib>

#include "common/MyCosDoc.h"
#include "common/Prefs.h"
#include "core/host.h"
#include "engine/Conformance.h"
#include "host/calls.h"

namespace enginetest {

Zentu::Conformance* RecordingStandard::Clone() {
  BuildRules();
  return new RecordingStandard(*this);
}

CheckResult RecordingStandard::CheckNode(PDFXPreflight& walker, const NodePtr& node, const NodePtr& referrer) {
  log_->visits.push_back(Visit{node->objectKind, node->objectNumber, referrer ? referrer->objectNumber : -2,
                               walker.GetCurrentPage()});
  if (log_->onNode) log_->onNode(walker, node);
  return TestStandard::CheckNode(walker, node, referrer);
}

CheckResult RecordingStandard::CheckCosObj(PDFXPreflight& walker, int objectKind, const MyCosObj& object) {
  log_->cosObjKinds.push_back(objectKind);
  log_->cosObjs.push_back(object);
  return TestStandard::CheckCosObj(walker, objectKind, object);
}

long RecordingStatus::Progress(const std::string& text, long value, long max) {
  texts.push_back(text);
  values.push_back(value);
  long answer = HeadlessStatus::Progress(text, value, max);
  if (!cancelAt.empty() && text.compare(0, cancelAt.size(), cancelAt) == 0) return 1;
  return answer;
}

std::vector<std::string> RecordingStatus::PageTexts() const {
  std::vector<std::string> pageTexts;
  for (const std::string& text : texts)
    if (text.find('\n') == std::string::npos) pageTexts.push_back(text);
  return pageTexts;
}

std::vector<long> RecordingStatus::PageValues() const {
  std::vector<long> pageValues;
  for (size_t i = 0; i < texts.size(); ++i)
    if (texts[i].find('\n') == std::string::npos) pageValues.push_back(values[i]);
  return pageValues;
}

void WalkerFixture::SetUp() {
  hosttest::BindTables();
  ::setenv("PLUGHOST_HOME", home_.File("settings").c_str(), 1);
  ClearGlobalRegistries();
  Prefs::Section().clear();
}

void WalkerFixture::TearDown() {
  host::CloseAllDocuments();
  ClearGlobalRegistries();
  Prefs::Section().clear();
}

void WalkerFixture::Register(const std::string& name) {
  ASSERT_TRUE(Zentu::Conformance::Register(new RecordingStandard(name, log_)));
}

void WalkerFixture::OpenPdf(const std::vector<std::string>& objects, const std::string& trailer) {
  hosttest::PdfSpec spec;
  spec.objects = objects;
  spec.trailer = trailer;
  pd_ = host::OpenDocumentBytes(hosttest::MakePdf(spec), "walker test");
  view_ = host::ShowInView(pd_);
}

boost::shared_ptr<PDFXPreflight> WalkerFixture::NewWalker() {
  boost::shared_ptr<PDFXPreflight> walker(new PDFXPreflight(&status_));
  walker->SetViewDocument(view_);
  return walker;
}

std::vector<int> WalkerFixture::Seen(int kind) const {
  std::vector<int> numbers;
  for (const Visit& v : log_->visits)
    if (v.kind == kind) numbers.push_back(v.number);
  return numbers;
}

std::vector<Visit> WalkerFixture::SeenVisits(int kind) const {
  std::vector<Visit> visits;
  for (const Visit& v : log_->visits)
    if (v.kind == kind) visits.push_back(v);
  return visits;
}

MyCosObj WalkerFixture::Obj(int number) const { return MyCosDoc(PDDocGetCosDoc(pd_)).GetObjByID(number); }

}  // namespace enginetest
