#include "engine/Fixer.h"

namespace Zentu {

Fixer::~Fixer() = default;

void Fixer::AddError(PDFX_Error*) {}

}  // namespace Zentu
