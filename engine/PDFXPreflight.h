// The walker of one check. So far: its error list with the set of
// severities present and the open and total counts per severity, and the
// operations that file records.
#pragma once
#include <bitset>
#include <list>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "common/MyCosObj.h"
#include "engine/PDFX_Error.h"

class ObjectNode;

class PDFXPreflight {
 public:
  typedef std::list<boost::shared_ptr<Zentu::PDFX_Error>> ErrorList;
  typedef std::bitset<10> SeveritySet;

  PDFXPreflight();
  PDFXPreflight(const PDFXPreflight&) = delete;
  PDFXPreflight& operator=(const PDFXPreflight&) = delete;

  // Builds a record from the two wrappers (`holder` becomes the object node,
  // `subject`, the object the problem lies in, the container node) and files it.
  boost::shared_ptr<Zentu::PDFX_Error> AddError(const MyCosObj& holder, const MyCosObj& subject,
                                                const std::string& message, const std::string& detail,
                                                int severity, int objectKind, int problemKind);
  // The same from nodes the caller made; either may be empty.
  boost::shared_ptr<Zentu::PDFX_Error> AddNodeError(const std::string& message, const std::string& detail,
                                                    int severity, int objectKind, int problemKind,
                                                    const boost::shared_ptr<ObjectNode>& objectNode,
                                                    const boost::shared_ptr<ObjectNode>& containerNode);
  // Files an existing record under `severity` (its own): appended, given the
  // current page unless it has one, owned by this walker, counted. A
  // severity of -1 or less is counted nowhere; 10 or more throws
  // std::out_of_range after the record was appended.
  boost::shared_ptr<Zentu::PDFX_Error> InsertError(const boost::shared_ptr<Zentu::PDFX_Error>& error,
                                                   int severity);

  const ErrorList& GetErrorList() const { return errors_; }
  const SeveritySet& GetSeverities() const { return severities_; }
  // Per severity 0..9: records not fixed, and records ever filed.
  const std::vector<int>& GetOpenCounts() const { return openCounts_; }
  const std::vector<int>& GetTotalCounts() const { return totalCounts_; }

  int GetCurrentPage() const { return currentPage_; }
  void SetCurrentPage(int page) { currentPage_ = page; }

 private:
  friend class Zentu::PDFX_Error;  // keeps the open counts

  ErrorList errors_;
  SeveritySet severities_;
  int currentPage_ = -1;
  std::vector<int> openCounts_;
  std::vector<int> totalCounts_;
};
