// The abstract repair that an error record can carry.
#pragma once
#include "engine/FixContext.h"

namespace Zentu {

class PDFX_Error;

class Fixer {
 public:
  virtual ~Fixer();
  // Repairs the problem of context.error: 2 when fixed, anything else when
  // not. Marking the record fixed is the caller's.
  virtual int FixIt(FixContext& context, bool interactive) = 0;
  // Called once with each new record the fixer is attached to.
  virtual void AddError(PDFX_Error* error);
};

}  // namespace Zentu
