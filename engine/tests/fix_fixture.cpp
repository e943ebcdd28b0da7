#include "fix_fixture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <sstream>

#include "common/MyCosDoc.h"
#include "common/Prefs.h"
#include "engine/Conformance.h"
#include "engine/PDFX_Error.h"
#include "host/calls.h"
#include "host/frame.h"

namespace enginetest {

namespace {

// The entry ApplyFixes writes; two files compare without it.
const char kVersionKey[] = "Zent_PDFX_Corvane";

struct Entry {
  std::string key;
  CosObj value;
};

ASBool CollectEntry(CosObj key, CosObj value, void* data) {
  static_cast<std::vector<Entry>*>(data)->push_back(Entry{ASAtomGetString(CosNameValue(key)), value});
  return 1;
}

std::vector<Entry> EntriesOf(CosObj dict) {
  std::vector<Entry> entries;
  CosObjEnum(dict, &CollectEntry, &entries);
  return entries;  // the host enumerates in byte order of the keys
}

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (unsigned char c : bytes) {
    text += digits[c >> 4];
    text += digits[c & 15];
  }
  return text;
}

std::string ReadAll(ASStm stm) {
  std::string data;
  char buffer[4096];
  for (;;) {
    ASSize_t got = ASStmRead(buffer, 1, sizeof buffer, stm);
    if (got == 0) break;
    data.append(buffer, got);
  }
  return data;
}

// Data the host cannot decode (CCITT, say) compares by its dictionary alone.
std::string StreamText(CosObj stream) {
  ASStm stm = nullptr;
  std::string data;
  const bool raised = HostRegion([&] {
                        stm = CosStreamOpenStm(stream, cosOpenFiltered);
                        data = ReadAll(stm);
                      }).raised;
  if (stm) ASStmClose(stm);
  return raised ? "undecodable" : Hex(data);
}

class Dumper {
 public:
  explicit Dumper(CosDoc doc) : doc_(doc) {}

  ObjectMap Run() {
    CosObj trailer = CosDocGetTrailer(doc_);
    std::string text = "<<";
    for (const Entry& e : EntriesOf(trailer)) {
      if (e.key == "ID" || e.key == "Size" || e.key == "Prev" || e.key == "XRefStm") continue;
      if (e.key == "Info" && EmptyWithoutVersion(e.value)) continue;
      text += " /" + e.key + " " + Text(e.value, "/" + e.key);
    }
    objects_["trailer"] = text + " >>";
    while (!queue_.empty()) {
      std::pair<CosObj, std::string> next = queue_.front();
      queue_.pop_front();
      objects_[next.second] = Body(next.first, next.second);
    }
    return objects_;
  }

 private:
  static bool EmptyWithoutVersion(CosObj info) {
    if (CosObjGetType(info) != CosDict) return false;
    for (const Entry& e : EntriesOf(info))
      if (e.key != kVersionKey) return false;
    return true;
  }

  // A value as it stands in its container: indirect objects by their path.
  std::string Text(CosObj value, const std::string& path) {
    if (!CosObjIsIndirect(value)) return Body(value, path);
    const CosID id = CosObjGetID(value);
    auto known = names_.find(id);
    if (known != names_.end()) return "@" + known->second;
    names_.emplace(id, path);
    queue_.emplace_back(value, path);
    return "@" + path;
  }

  std::string Body(CosObj value, const std::string& path) {
    std::ostringstream out;
    switch (CosObjGetType(value)) {
      case CosNull:
        return "null";
      case CosInteger:
        return std::to_string(CosIntegerValue(value));
      case CosFixed: {
        char number[32];
        std::snprintf(number, sizeof number, "%.4f", CosFixedValue(value) / 65536.0);
        return number;
      }
      case CosBoolean:
        return CosBooleanValue(value) ? "true" : "false";
      case CosName:
        return std::string("/") + ASAtomGetString(CosNameValue(value));
      case CosString: {
        ASInt32 length = 0;
        const char* bytes = CosStringValue(value, &length);
        return "<" + Hex(std::string(bytes ? bytes : "", bytes ? static_cast<size_t>(length) : 0)) + ">";
      }
      case CosArray: {
        out << "[";
        const ASInt32 n = CosArrayLength(value);
        for (ASInt32 i = 0; i < n; ++i)
          out << " " << Text(CosArrayGet(value, i), path + "[" + std::to_string(i) + "]");
        out << " ]";
        return out.str();
      }
      case CosDict:
      case CosStream: {
        const bool stream = CosObjGetType(value) == CosStream;
        out << "<<";
        for (const Entry& e : EntriesOf(stream ? CosStreamDict(value) : value)) {
          if (e.key == kVersionKey || (stream && e.key == "Length")) continue;
          out << " /" << e.key << " " << Text(e.value, path + "/" + e.key);
        }
        out << " >>";
        if (stream) out << " stream " << StreamText(value);
        return out.str();
      }
      default:
        return "?";
    }
  }

  CosDoc doc_;
  ObjectMap objects_;
  std::map<CosID, std::string> names_;
  std::deque<std::pair<CosObj, std::string>> queue_;
};

}  // namespace

Zentu::Conformance* FixStandard::Clone() {
  BuildRules();
  return new FixStandard(*this);
}

CheckResult FixStandard::CheckOperator(PDFXPreflight& walker, int, const char* op,
                                       const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&) {
  if (op && putAside.count(op)) walker.GetOperatorNames().push_back(op);
  return CheckResult();
}

bool FixStandard::CheckPageBoxes(PDFXPreflight& walker, const boost::shared_ptr<ObjectNode>& page,
                                 const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&,
                                 const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>& mediaBox,
                                 const boost::shared_ptr<ObjectNode>& trimBox) {
  if (pageBoxes) pageBoxes(walker, page, mediaBox, trimBox);
  return true;
}

ObjectMap ObjectsOf(const std::string& file) {
  ObjectMap objects;
  PDDoc pd = host::OpenDocument(file);
  HostRegionResult r = HostRegion([&] { objects = Dumper(PDDocGetCosDoc(pd)).Run(); });
  host::CloseDocument(pd);
  EXPECT_FALSE(r.raised) << "reading " << file << " raised " << r.code;
  return objects;
}

std::vector<std::string> ChangedPaths(const ObjectMap& before, const ObjectMap& after) {
  std::vector<std::string> changed;
  for (const auto& entry : before) {
    auto other = after.find(entry.first);
    if (other == after.end() || other->second != entry.second) changed.push_back(entry.first);
  }
  for (const auto& entry : after) {
    if (!before.count(entry.first)) changed.push_back(entry.first);
  }
  std::sort(changed.begin(), changed.end());
  return changed;
}

std::string DecodedData(CosObj stream) {
  ASStm stm = CosStreamOpenStm(stream, cosOpenFiltered);
  std::string data = ReadAll(stm);
  ASStmClose(stm);
  return data;
}

bool QpdfAccepts(const std::string& path, std::string* output) {
  std::string text;
  const int status = hosttest::RunCommand("qpdf --check '" + path + "' 2>&1", &text);
  if (output) *output = text;
  return status == 0;
}

void FixFixture::SetUp() {
  hosttest::BindTables();
  ::setenv("PLUGHOST_HOME", home_.File("settings").c_str(), 1);
  ClearGlobalRegistries();
  Prefs::Section().clear();
}

void FixFixture::TearDown() {
  host::SetAlertHandler(nullptr);
  host::CloseAllDocuments();
  ClearGlobalRegistries();
  Prefs::Section().clear();
}

void FixFixture::UseStandard(const std::function<void(FixStandard&)>& builder,
                             const std::set<std::string>& putAside) {
  FixStandard* standard = new FixStandard("Fix test");
  standard->builder = [builder](TestStandard& s) {
    if (builder) builder(static_cast<FixStandard&>(s));
  };
  standard->putAside = putAside;
  ASSERT_TRUE(Zentu::Conformance::Register(standard));
}

void FixFixture::Open(const std::vector<std::string>& objects, const std::string& trailer) {
  hosttest::PdfSpec spec;
  spec.objects = objects;
  spec.trailer = trailer;
  before_ = home_.File("before.pdf");
  hosttest::WriteFile(before_, hosttest::MakePdf(spec));
  OpenFile(before_);
}

void FixFixture::OpenFile(const std::string& path) {
  if (before_.empty()) before_ = path;
  view_ = host::OpenInView(path);
  pd_ = host::ViewPDDoc(view_);
}

boost::shared_ptr<PDFXPreflight> FixFixture::Check(const std::function<void(PDFXPreflight&)>& prepare) {
  boost::shared_ptr<PDFXPreflight> walker(new PDFXPreflight(&status_));
  if (prepare) prepare(*walker);
  walker->SetViewDocument(view_);
  walker->Check();
  status_.SetWalker(walker);
  bool again = false;
  do {
    again = false;
    walker->RunDeferredTests(walker, &status_, again);
  } while (again);
  return walker;
}

int FixFixture::ApplyFixes(const boost::shared_ptr<PDFXPreflight>& walker, const ErrorPtr& error, bool interactive) {
  if (!error || error->IsFixed() || !error->GetFixer()) return 0;
  FixContext context;
  context.error = error.get();
  context.ui = &status_;
  context.walker = walker;
  const int answer = error->GetFixer()->FixIt(context, interactive);
  if (answer == 2) {
    PDDocSetFlags(walker->GetPDDoc(), 2);
    error->SetFixed(true);
    char version[32] = "";
    if (walker->GetConformance())
      std::snprintf(version, sizeof version, "%.1f", static_cast<double>(walker->GetConformance()->highestVersionF));
    PDDocSetInfo(walker->GetPDDoc(), kVersionKey, version, static_cast<ASInt32>(std::strlen(version)));
  }
  return answer;
}

void FixFixture::FixAll(const boost::shared_ptr<PDFXPreflight>& walker) {
  EXPECT_TRUE(walker->Cleanup());
  EXPECT_TRUE(walker->Cleanup());
  walker->SetFixedWhereRemoved();
  bool again = false;
  do {
    again = false;
    walker->RunDeferredTests(walker, &status_, again);
  } while (again);
}

std::string FixFixture::Save() {
  const std::string path = home_.File("after.pdf");
  host::SaveDocument(pd_, path);
  return path;
}

boost::shared_ptr<PDFXPreflight> FixFixture::Recheck(const std::string& path) {
  host::CloseAllDocuments();
  view_ = host::OpenInView(path);
  pd_ = host::ViewPDDoc(view_);
  return Check();
}

std::vector<ErrorPtr> FixFixture::Records(const boost::shared_ptr<PDFXPreflight>& walker,
                                          const std::string& message) const {
  std::vector<ErrorPtr> found;
  for (const ErrorPtr& error : walker->GetErrorList())
    if (error && !error->IsFixed() && error->GetMessage() == message) found.push_back(error);
  return found;
}

ErrorPtr FixFixture::OnlyRecord(const boost::shared_ptr<PDFXPreflight>& walker, const std::string& message) const {
  std::vector<ErrorPtr> found = Records(walker, message);
  EXPECT_EQ(found.size(), 1u) << "records \"" << message << "\"";
  return found.empty() ? ErrorPtr() : found.front();
}

std::vector<std::string> FixFixture::FixEndToEnd(const std::string& message, const std::function<void()>& fixed) {
  boost::shared_ptr<PDFXPreflight> walker = Check();
  std::vector<ErrorPtr> records = Records(walker, message);
  EXPECT_FALSE(records.empty()) << "no record \"" << message << "\" before fixing";
  for (const ErrorPtr& record : records) EXPECT_EQ(ApplyFixes(walker, record, false), 2) << message;
  FixAll(walker);
  if (fixed) fixed();
  const std::string after = Save();
  walker.reset();

  std::string report;
  EXPECT_TRUE(QpdfAccepts(after, &report)) << report;
  boost::shared_ptr<PDFXPreflight> again = Recheck(after);
  EXPECT_TRUE(Records(again, message).empty()) << "\"" << message << "\" after fixing";
  return ChangedPaths(ObjectsOf(before_), ObjectsOf(after));
}

MyCosObj FixFixture::Obj(int number) const { return Doc().GetObjByID(number); }

MyCosDoc FixFixture::Doc() const { return MyCosDoc(PDDocGetCosDoc(pd_)); }

}  // namespace enginetest
