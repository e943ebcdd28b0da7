#include <gtest/gtest.h>

#include "core/host.h"
#include "dialogs/manager.h"
#include "host/piglue.h"

namespace hosttest {
void BindTables() {
  host::Init();
  if (!PIImportStandardTables(host::CoreTable())) host::Raise(genErrNoHFT);
  // The test process is its own plug-in, with extension 0, in its own module.
  host::RegisterPlugin(gExtensionID, host::ModuleOfAddress(reinterpret_cast<const void*>(&BindTables)));
}

namespace {
// After each test the host's knobs are as the process started with them, so
// that a test binary passes whole, in any order, as it does one test a run.
class KnobsBack : public ::testing::EmptyTestEventListener {
 public:
  KnobsBack() : cap_(host::DecodedDataCap()) {}
  void OnTestEnd(const ::testing::TestInfo&) override {
    ClearHooks();
    FailAllocationsAbove(0);
    SetSecurityHandlerName("");
    SetToolBarRoom(true);
    host::SetDecodedDataCap(cap_);
    host::SetAlertHandler(nullptr);
    host::SetPasswordHandler(nullptr);
    host::SetDriver(nullptr);
  }

 private:
  size_t cap_;
};

const bool kKnobsBack = (::testing::UnitTest::GetInstance()->listeners().Append(new KnobsBack), true);
}  // namespace
}  // namespace hosttest
