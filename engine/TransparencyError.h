// The one record per page that gathers every use of transparency on it.
#pragma once
#include <list>

#include "engine/ObjectNode.h"
#include "engine/PDFX_Error.h"

namespace Zentu {

class TransparencyError : public PDFX_Error {
 public:
  using PDFX_Error::PDFX_Error;

  // The further transparent objects of the page, in the order found.
  std::list<boost::shared_ptr<ObjectNode>> nodes;
};

}  // namespace Zentu
