#include "standards_fixture.h"

#include <cxxabi.h>

#include <cstdlib>
#include <typeinfo>

#include "common/Prefs.h"
#include "core/host.h"
#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/Fixer.h"
#include "engine/ObjectNode.h"
#include "engine/PDFX_Error.h"
#include "standards/Standards.h"

namespace standardstest {

const char* const kStandards[2] = {"PDF/X-1a:2001", "PDF/X-3"};

const char kColorSpaces[] =
    " (must be one of \"DeviceGray\", \"G\", \"DeviceCMYK\", \"CMYK\", \"Indexed\", \"Pattern\", \"DeviceN\", or "
    "\"Separation\")";
const char kFilters[] =
    " (must be one of \"CCITTFaxDecode\", \"DCTDecode\", \"ASCIIHexDecode\", \"ASCII85Decode\", \"RunLengthDecode\", "
    "or \"FlateDecode\")";
const char kInlineFilters[] =
    " (must be one of \"CCITTFaxDecode\", \"DCTDecode\", \"ASCIIHexDecode\", \"ASCII85Decode\", \"RunLengthDecode\", "
    "\"FlateDecode\", \"CCF\", \"DCT\", \"AHx\", \"A85\", \"RL\", or \"Fl\")";
const char kTransparency[] = "Transparency is used on this page";

int NumberOf(const NodePtr& node) { return node ? node->objectNumber : kNoNode; }

bool Record::operator==(const Record& other) const {
  return message == other.message && detail == other.detail && severity == other.severity &&
         objectKind == other.objectKind && problemKind == other.problemKind && container == other.container &&
         object == other.object;
}

std::ostream& operator<<(std::ostream& out, const Record& record) {
  return out << "{\"" << record.message << "\", \"" << record.detail << "\", " << record.severity << ", "
             << record.objectKind << ", " << record.problemKind << ", container " << record.container << ", object "
             << record.object << "}";
}

bool Finding::operator==(const Finding& other) const {
  return message == other.message && detail == other.detail && severity == other.severity &&
         objectKind == other.objectKind && problemKind == other.problemKind && page == other.page &&
         fixer == other.fixer;
}

std::ostream& operator<<(std::ostream& out, const Finding& f) {
  return out << "{\"" << f.message << "\", \"" << f.detail << "\", " << f.severity << ", " << f.objectKind << ", "
             << f.problemKind << ", page " << f.page << ", \"" << f.fixer << "\"}";
}

namespace {

std::string ClassOf(const Zentu::Fixer* fixer) {
  if (!fixer) return std::string();
  const char* mangled = typeid(*fixer).name();
  int status = 0;
  char* plain = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::string name = status == 0 && plain ? plain : mangled;
  std::free(plain);
  return name.compare(0, 7, "Zentu::") == 0 ? name.substr(7) : name;
}

}  // namespace

std::vector<Finding> Findings(const PDFXPreflight& walker) {
  std::vector<Finding> found;
  for (const ErrorPtr& error : walker.GetErrorList()) {
    if (error->GetSeverity() < 0 && error->GetObjectKind() != KIND_OPERATOR) continue;
    found.push_back(Finding{error->GetMessage(), error->GetDetail(), error->GetSeverity(), error->GetObjectKind(),
                            error->GetProblemKind(), error->GetPageIndex(), ClassOf(error->GetFixer().get())});
  }
  return found;
}

Record Reduced(const Zentu::PDFX_Error& error) {
  return Record{error.GetMessage(),    error.GetDetail(),  error.GetSeverity(),
                error.GetObjectKind(), error.GetProblemKind(), NumberOf(error.GetContainerNode()),
                NumberOf(error.GetObjectNode())};
}

void StandardsFixture::SetUp() {
  FixFixture::SetUp();
  Zentu::LoadStandards();
}

void StandardsFixture::TearDown() {
  FixFixture::TearDown();
  Zentu::UnloadStandards();
}

boost::shared_ptr<PDFXPreflight> StandardsFixture::CheckWith(const std::string& standard,
                                                             const std::vector<CheckCallback>& callbacks) {
  Prefs::Set("conformance", standard);
  boost::shared_ptr<PDFXPreflight> walker = Check([&](PDFXPreflight& unchecked) {
    const boost::shared_ptr<Zentu::Conformance> conformance = unchecked.GetConformance();
    if (!conformance || (callbacks.empty() && !bare_)) return;
    // A list of its own: the prototype's is shared.
    conformance->rules.reset(new Zentu::Conformance::RuleList(bare_ ? Zentu::Conformance::RuleList()
                                                                    : *conformance->rules));
    if (bare_) conformance->keyTable.reset(new KeyTable);
    for (CheckCallback callback : callbacks)
      conformance->rules->push_back(boost::shared_ptr<KeyRule>(new KeyRule(callback, "probe")));
  });
  EXPECT_EQ(walker->GetConformance() ? walker->GetConformance()->name : std::string(), standard);
  return walker;
}

int StandardsFixture::Call(const boost::shared_ptr<PDFXPreflight>& walker, CheckCallback test,
                           const MyCosObj& value, const MyCosObj& holder) {
  RuleContext context;
  context.standard = walker->GetConformance().get();
  context.walker = walker.get();
  context.value = value;
  context.container = holder;
  CheckResult result;
  return test(&context, &result);
}

ErrorPtr StandardsFixture::Probe(const boost::shared_ptr<PDFXPreflight>& walker,
                                 const boost::shared_ptr<Zentu::Fixer>& fixer, int objectKind) {
  ErrorPtr probe = walker->AddNodeError("probe", "", 5, objectKind, 2, NodePtr(), NodePtr());
  probe->AttachFixer(fixer);
  return probe;
}

void StandardsFixture::OnePage(const std::string& pageEntries, const std::string& content,
                               const std::vector<std::string>& more, const std::string& trailer,
                               const std::string& catalogEntries) {
  host::CloseAllDocuments();
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R " + catalogEntries + " >>",
                                      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                      "<< /Type /Page /Parent 2 0 R /Contents 4 0 R " + pageEntries + " >>",
                                      "stream:|" + content};
  objects.insert(objects.end(), more.begin(), more.end());
  Open(objects, trailer);
}

void StandardsFixture::OpenDocument(const Document& document) {
  host::CloseAllDocuments();
  before_ = home_.File("before.pdf");
  hosttest::WriteFile(before_, document.Pdf());
  OpenFile(before_);
}

void StandardsFixture::ExpectFindings(const std::string& standard, const std::vector<Finding>& expected) {
  boost::shared_ptr<PDFXPreflight> walker = CheckWith(standard);
  EXPECT_EQ(Findings(*walker), expected) << "under " << standard;
}

std::vector<Record> StandardsFixture::Filed(const PDFXPreflight& walker, int objectKind) const {
  std::vector<Record> records;
  for (const ErrorPtr& error : walker.GetErrorList())
    if (!error->IsFixed() && error->GetObjectKind() == objectKind) records.push_back(Reduced(*error));
  return records;
}

}  // namespace standardstest
