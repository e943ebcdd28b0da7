#include "standards/Standards.h"

#include "engine/Conformance.h"
#include "engine/Fixers.h"
#include "standards/PDF_X_1_2001.h"
#include "standards/PDF_X_3_2002.h"

namespace Zentu {

void LoadStandards() {
  GlobalFixers::Make();
  Conformance::Register(new PDF_X_1a_2001);
  Conformance::Register(new PDF_X_3_2002);
}

void UnloadStandards() {
  ClearGlobalRegistries();
  GlobalFixers::Release();
}

}  // namespace Zentu
