// The result of one check as the user interface sees it: the walker with
// its records, counted by severity, object kind and problem kind, written
// as a five-column table, and asked whether an open record concerns RGB.
#pragma once
#include <bitset>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "engine/PDFXPreflight.h"

namespace Zentu {

class ResultsTable {
 public:
  class Row {
   public:
    // The cell at `index`; a row with fewer cells is first filled up with
    // empty ones.
    std::string& Cell(size_t index);

    std::vector<std::string> cells;
    boost::shared_ptr<PDFX_Error> error;
  };

  // "Page", "Error level", "Location", "Type", "Description".
  std::vector<std::string> titles;
  // One a record, in filing order, fixed records included.
  std::vector<Row> rows;
};

class Results {
 public:
  typedef std::bitset<10> Severities;    // bit s: severity s
  typedef std::bitset<34> ObjectKinds;   // bit k: object kind k
  typedef std::bitset<12> ProblemKinds;  // bit p: problem kind p

  // Masks of the severities the dialogs and the command count.
  static const unsigned long kProblems = 0x001;
  static const unsigned long kWarnings = 0x01c;
  static const unsigned long kFixable = 0x060;
  static const unsigned long kUnfixable = 0x080;
  static const unsigned long kErrors = 0x0e0;
  static const unsigned long kWarningsAndErrors = 0x0fc;
  static const unsigned long kWorkflow = 0x100;

  explicit Results(const boost::shared_ptr<PDFXPreflight>& walker) : walker_(walker) {}
  virtual ~Results() = default;

  // Open records whose severity is in the mask; -1 without a walker or for
  // an empty mask.
  int Count(const Severities& severities) const;
  // Records, fixed ones too, whose value is in every non-empty mask; with
  // only the severity mask set, Count. -1 without a walker or when every
  // mask is empty. A value outside a mask's width (severity -1) never
  // matches that mask.
  int CountMatching(const Severities& severities, const ObjectKinds& kinds, const ProblemKinds& problems) const;
  // Null without a walker.
  boost::shared_ptr<ResultsTable> WriteTable() const;
  // An open colour-space record over RGB, or an open operator record
  // quoting 'rg' or 'RG'. Values of another type than the one read are no
  // hit; a host failure throws Zentu::AcrobatException.
  bool HasRGBErrors() const;

  const boost::shared_ptr<PDFXPreflight>& GetWalker() const { return walker_; }

 private:
  boost::shared_ptr<PDFXPreflight> walker_;
};

}  // namespace Zentu
