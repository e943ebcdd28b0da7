#include "engine/PDFX_Error.h"

#include <boost/make_shared.hpp>

#include "engine/ErrorNames.h"
#include "engine/Fixer.h"
#include "engine/ObjectNode.h"
#include "engine/PDFXPreflight.h"

namespace Zentu {

namespace {
bool Counted(int severity) { return severity >= 0 && severity < SEVERITY_COUNT; }
}  // namespace

PDFX_Error::PDFX_Error(PDFXPreflight* owner, const std::string& message, const std::string& detail, int severity,
                       int objectKind, int problemKind, const boost::shared_ptr<ObjectNode>& containerNode,
                       const boost::shared_ptr<ObjectNode>& objectNode) {
  Start(owner, severity, objectKind, problemKind, message, detail);
  objectNode_ = objectNode;
  containerNode_ = containerNode;
}

PDFX_Error::PDFX_Error(PDFXPreflight* owner, const MyCosObj& holder, const MyCosObj& subject,
                       const std::string& message, const std::string& detail, int severity, int objectKind,
                       int problemKind) {
  // The nodes read the document and may throw: make them before the record
  // counts itself, so that a failure leaves no count behind.
  boost::shared_ptr<ObjectNode> objectNode =
      owner ? owner->RecordNode(holder) : boost::make_shared<ObjectNode>(holder, 0, std::string());
  boost::shared_ptr<ObjectNode> containerNode =
      owner ? owner->RecordNode(subject) : boost::make_shared<ObjectNode>(subject, 0, std::string());
  Start(owner, severity, objectKind, problemKind, message, detail);
  objectNode_ = objectNode;
  containerNode_ = containerNode;
}

PDFX_Error::~PDFX_Error() = default;

void PDFX_Error::Start(PDFXPreflight* owner, int severity, int objectKind, int problemKind,
                       const std::string& message, const std::string& detail) {
  PDFX_Error::Reset();
  owner_ = owner;
  SetSeverity(severity);  // counted open from here, before it is filed
  objectKind_ = objectKind;
  problemKind_ = problemKind;
  texts_ = Share(owner, message, detail);
}

boost::shared_ptr<const PDFX_Error::Texts> PDFX_Error::Share(PDFXPreflight* owner, const std::string& message,
                                                              const std::string& detail) {
  if (owner) return owner->ShareTexts(message, detail);
  return boost::make_shared<const Texts>(Texts{message, detail});
}

void PDFX_Error::SetMessage(const std::string& message) { texts_ = Share(owner_, message, texts_->detail); }

void PDFX_Error::Reset() {
  fixed_ = false;
  owner_ = nullptr;
  deferredTest_ = nullptr;
  severity_ = -1;
  pageIndex_ = -1;
}

void PDFX_Error::SetSeverity(int severity) {
  if (severity == severity_) return;
  // A fixed record is not open, and one without owner is counted nowhere.
  if (owner_ && !fixed_) {
    std::vector<int>& open = owner_->openCounts_;
    if (Counted(severity_)) {
      int& old = open[static_cast<size_t>(severity_)];
      if (old > 0) {
        --old;
        if (Counted(severity)) ++open[static_cast<size_t>(severity)];
      }
    } else if (Counted(severity)) {
      ++open[static_cast<size_t>(severity)];
    }
  }
  severity_ = severity;
}

void PDFX_Error::SetFixed(bool fixed) {
  if (fixed == fixed_) return;
  fixed_ = fixed;
  if (!owner_ || !Counted(severity_)) return;
  int& open = owner_->openCounts_[static_cast<size_t>(severity_)];
  if (fixed) {
    if (open > 0) --open;
  } else {
    ++open;
  }
}

void PDFX_Error::AttachFixer(const boost::shared_ptr<Fixer>& fixer) {
  fixer_ = fixer;
  if (fixer_) fixer_->AddError(this);
}

}  // namespace Zentu
