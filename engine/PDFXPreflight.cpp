#include "common/HostCall.h"
#include "engine/PDFXPreflight.h"

#include <map>

#include <boost/make_shared.hpp>
#include <stdexcept>

#include "common/Prefs.h"
#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/ObjectNode.h"
#include "engine/Scopes.h"
#include "engine/StatusInterface.h"
#include "host/frame.h"

namespace {

// A stored choice that no longer names a standard of ours.
const char kRetiredStandard[] = "PDF/X-1:1999";


}  // namespace

PDFXPreflight::PDFXPreflight() : openCounts_(10, 0), totalCounts_(10, 0), resourceStack_(this) {}

PDFXPreflight::~PDFXPreflight() {
  // Objects that refer to each other (or to themselves) hold each other's
  // nodes as referrers; the lists go with the check so the nodes can.
  for (auto* map : {&visited_, &pending_})
    for (auto& entry : *map)
      if (entry.second) entry.second->referrers.clear();
}

PDFXPreflight::PDFXPreflight(Zentu::StatusInterface* ui) : PDFXPreflight() {
  ui_ = ui;
  const std::vector<std::string>& registered = Zentu::Conformance::RegisteredNames();
  const std::string fallback = registered.empty() ? std::string() : registered.front();
  std::string name;
  if (!fallback.empty()) {
    Prefs::Get("conformance", name);
    if (name == kRetiredStandard) {
      name.clear();
      Prefs::Set("conformance", name);
    }
    if (!name.empty()) standard_ = Zentu::Conformance::CreateByName(name);
    if (!standard_) {
      // An unknown or retired choice falls back quietly; the setting stays.
      name = fallback;
      standard_ = Zentu::Conformance::CreateByName(name);
    }
  }
  if (standard_) return;
  std::string message = fallback.empty() ? std::string("There were no conformance objects set up")
                                         : "There was an internal error while setting up:  "
                                           "Could not create the conformance checker for \"" +
                                               name + "\"";
  AddNodeError(message, std::string(), PROBLEM, KIND_NONE, PROBLEM_GENERAL, boost::shared_ptr<ObjectNode>(),
               boost::shared_ptr<ObjectNode>());
}

PDFXPreflight::SeveritySet PDFXPreflight::Check() {
  if (!standard_) return severities_;
  errors_.clear();
  operatorsToRemove_.clear();
  operatorsRemoved_.clear();
  pending_.clear();
  visited_.clear();
  laterFeatures_.reset();
  resourceStack_.Clear();
  pageCounter_ = -1;
  currentPage_ = -1;

  if (!viewDoc_) throw std::runtime_error("No document to check");
  CosDoc cosDoc = nullptr;
  HostCall("PDFXPreflight::Check", [&] {
    pdDoc_ = AVDocGetPDDoc(viewDoc_);
    cosDoc = PDDocGetCosDoc(pdDoc_);
  });
  mainDoc_ = MyCosDoc(cosDoc);
  document_ = mainDoc_;

  // Records share nodes only while nothing changes the document.
  struct Sharing {
    explicit Sharing(PDFXPreflight& walker) : walker_(walker) { walker_.sharingNodes_ = true; }
    ~Sharing() {
      walker_.sharingNodes_ = false;
      walker_.recordNodes_.clear();
    }
    PDFXPreflight& walker_;
  } sharing(*this);
  ReadTrailerFromFile();
  CheckInfoDict();
  CheckCatalog();
  CheckPages();
  return severities_;
}

boost::shared_ptr<const Zentu::PDFX_Error::Texts> PDFXPreflight::ShareTexts(const std::string& message,
                                                                           const std::string& detail) {
  auto found = texts_.find(TextsOrder::Key(message, detail));
  if (found != texts_.end()) return *found;
  return *texts_.insert(boost::make_shared<const Zentu::PDFX_Error::Texts>(Zentu::PDFX_Error::Texts{message, detail}))
              .first;
}

boost::shared_ptr<ObjectNode> PDFXPreflight::RecordNode(const MyCosObj& object) {
  const ASInt32 type = object.CachedType();
  if (!sharingNodes_ || (type != CosDict && type != CosArray))
    return boost::make_shared<ObjectNode>(object, 0, std::string());
  const uint64_t identity = IdentityKey(object);
  // The wrapper's key and report number go into the node: wrappers that
  // differ in them get nodes of their own.
  auto range = recordNodes_.equal_range(identity);
  for (auto it = range.first; it != range.second; ++it) {
    const MyCosObj& known = it->second->object;
    if (known.KeyText() == object.KeyText() && known.ReportNumber() == object.ReportNumber()) return it->second;
  }
  boost::shared_ptr<ObjectNode> made = boost::make_shared<ObjectNode>(object, 0, std::string());
  recordNodes_.emplace(identity, made);
  return made;
}

void PDFXPreflight::CheckInfoDict() {
  MyCosObj info = mainDoc_.GetInfoDict();
  bool madeHere = false;
  if (info.IsNull()) {
    // Rules about required keys still apply to a document without one.
    if (!info.NewDict(mainDoc_, 0, 0)) throw Zentu::AcrobatException(-1, 0, "PDFXPreflight::CheckInfoDict");
    madeHere = true;
  }
  standard_->CheckCosObj(*this, KIND_INFO, info);
  // The stand-in is direct and in no container: it goes with its wrapper.
  // Destroying it would only mark the document changed.
  if (madeHere) return;
  EnterVisited(info, KIND_INFO);
}

void PDFXPreflight::RunDeferredTests(const boost::shared_ptr<PDFXPreflight>& self, Zentu::StatusInterface* ui,
                                     bool& again) {
  again = false;
  FixContext context;
  context.ui = ui;
  context.walker = self;
  context.restart = false;

  typedef std::map<DeferredTest, boost::shared_ptr<Zentu::PDFX_Error>> TestMap;
  for (;;) {
    // Each test once, with the last record that carries it. The map is a
    // copy: tests may file and re-grade records meanwhile.
    TestMap tests;
    for (const auto& error : errors_) {
      if (error->GetDeferredTest()) tests[error->GetDeferredTest()] = error;
    }
    bool changed;
    do {
      changed = false;
      for (const auto& entry : tests) {
        if (context.restart) break;
        context.error = entry.second.get();
        if (entry.first(context)) {
          changed = true;
          break;
        }
      }
    } while (changed && !context.restart);
    if (!context.restart) break;
    again = true;
    context.restart = false;
  }
  context.error = nullptr;
}

void PDFXPreflight::MarkVisited(const boost::shared_ptr<ObjectNode>& node) {
  if (!node || node->objectNumber < 0) return;
  visited_.insert(std::make_pair(node->objectNumber, node));
}

void PDFXPreflight::EnterVisited(const MyCosObj& object, int objectKind) {
  if (object.IsNull() || !object.IsIndirect()) return;
  if (IsVisited(object.GetID())) return;
  MarkVisited(boost::make_shared<ObjectNode>(object, objectKind, std::string()));
}

bool PDFXPreflight::ReportProgress(const std::string& text, long value, long max) {
  if (!ui_) return false;
  if (ui_->Progress(text, value, max) == 0) return false;
  SetCancelled();
  return true;
}

boost::shared_ptr<Zentu::PDFX_Error> PDFXPreflight::AddError(const MyCosObj& holder, const MyCosObj& subject,
                                                             const std::string& message,
                                                             const std::string& detail, int severity,
                                                             int objectKind, int problemKind) {
  boost::shared_ptr<Zentu::PDFX_Error> error = boost::make_shared<Zentu::PDFX_Error>(
      this, holder, subject, message, detail, severity, objectKind, problemKind);
  return InsertError(error, severity);
}

boost::shared_ptr<Zentu::PDFX_Error> PDFXPreflight::AddNodeError(const std::string& message,
                                                                 const std::string& detail, int severity,
                                                                 int objectKind, int problemKind,
                                                                 const boost::shared_ptr<ObjectNode>& objectNode,
                                                                 const boost::shared_ptr<ObjectNode>& containerNode) {
  boost::shared_ptr<Zentu::PDFX_Error> error = boost::make_shared<Zentu::PDFX_Error>(
      this, message, detail, severity, objectKind, problemKind, containerNode, objectNode);
  return InsertError(error, severity);
}

boost::shared_ptr<Zentu::PDFX_Error> PDFXPreflight::InsertError(const boost::shared_ptr<Zentu::PDFX_Error>& error,
                                                                int severity) {
  if (!error) throw std::invalid_argument("PDFXPreflight::InsertError: no record");
  errors_.push_back(error);
  if (error->pageIndex_ < 0) error->pageIndex_ = currentPage_;
  // A record made without owner was counted nowhere: it is counted open now.
  const bool unowned = error->owner_ == nullptr;
  error->owner_ = this;
  const int own = error->severity_;
  if (unowned && !error->fixed_ && own >= 0 && own < static_cast<int>(openCounts_.size())) {
    ++openCounts_[static_cast<size_t>(own)];
  }
  if (severity <= -1) return error;
  // Severities past 9 have no bit; the caller learns it as a bitset would say it.
  if (severity >= static_cast<int>(severities_.size())) throw std::out_of_range("invalid bitset<N> position");
  severities_.set(static_cast<size_t>(severity));
  ++totalCounts_[static_cast<size_t>(severity)];
  return error;
}
