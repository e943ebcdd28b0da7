#include "engine/PDFXPreflight.h"

#include <stdexcept>

#include "engine/ObjectNode.h"

PDFXPreflight::PDFXPreflight() : openCounts_(10, 0), totalCounts_(10, 0) {}

boost::shared_ptr<Zentu::PDFX_Error> PDFXPreflight::AddError(const MyCosObj& holder, const MyCosObj& subject,
                                                             const std::string& message,
                                                             const std::string& detail, int severity,
                                                             int objectKind, int problemKind) {
  boost::shared_ptr<Zentu::PDFX_Error> error(
      new Zentu::PDFX_Error(this, holder, subject, message, detail, severity, objectKind, problemKind));
  return InsertError(error, severity);
}

boost::shared_ptr<Zentu::PDFX_Error> PDFXPreflight::AddNodeError(const std::string& message,
                                                                 const std::string& detail, int severity,
                                                                 int objectKind, int problemKind,
                                                                 const boost::shared_ptr<ObjectNode>& objectNode,
                                                                 const boost::shared_ptr<ObjectNode>& containerNode) {
  boost::shared_ptr<Zentu::PDFX_Error> error(new Zentu::PDFX_Error(this, message, detail, severity, objectKind,
                                                                   problemKind, containerNode, objectNode));
  return InsertError(error, severity);
}

boost::shared_ptr<Zentu::PDFX_Error> PDFXPreflight::InsertError(const boost::shared_ptr<Zentu::PDFX_Error>& error,
                                                                int severity) {
  if (!error) throw std::invalid_argument("PDFXPreflight::InsertError: no record");
  errors_.push_back(error);
  if (error->pageIndex_ < 0) error->pageIndex_ = currentPage_;
  error->owner_ = this;
  if (severity <= -1) return error;
  // Severities past 9 have no bit; the caller learns it as a bitset would say it.
  if (severity >= static_cast<int>(severities_.size())) throw std::out_of_range("invalid bitset<N> position");
  severities_.set(static_cast<size_t>(severity));
  ++totalCounts_[static_cast<size_t>(severity)];
  return error;
}
