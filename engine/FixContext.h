// What a fixer's FixIt and a record's deferred test are handed.
#pragma once
#include <boost/shared_ptr.hpp>

class PDFXPreflight;
namespace Zentu {
class PDFX_Error;
class StatusInterface;
}  // namespace Zentu

struct FixContext {
  Zentu::PDFX_Error* error = nullptr;  // the record concerned; not owned
  Zentu::StatusInterface* ui = nullptr;  // the user interface running the fix; not owned
  boost::shared_ptr<PDFXPreflight> walker;
  // Deferred tests only: set when the records changed so much that the
  // tests must be collected again from the error list.
  bool restart = false;
};

// A test that the walker runs after the walk for the record that carries
// it; answers true when it changed records.
typedef bool (*DeferredTest)(FixContext& context);
