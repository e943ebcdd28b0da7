// bench/walk FILE...: checks each file against a standard with no rules and
// prints its pages, the objects visited, the records filed and the seconds
// taken. A file that cannot be opened or checked prints its error, and the
// next file goes on. The exit status is 1 when any file failed.
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>

#include "common/AcrobatException.h"
#include "core/host.h"
#include "bench/bare_standard.h"
#include "engine/Conformance.h"
#include "engine/PDFXPreflight.h"
#include "engine/StatusInterface.h"
#include "host/calls.h"

namespace {

std::string HostErrorText(ASErrorCode code) {
  std::string text = host::ErrorText(code);
  if (!host::LastFailureDetail().empty()) text += " (" + host::LastFailureDetail() + ")";
  return text;
}

// Answers false when the file could not be opened or checked.
bool Walk(const std::string& path) {
  AVDoc view = nullptr;
  try {
    view = host::OpenInView(path);
  } catch (const ASHostRaise& raise) {
    std::printf("%s: cannot open: %s\n", path.c_str(), HostErrorText(raise.code).c_str());
    return false;
  }
  bool ok = true;
  Zentu::HeadlessStatus status;
  BareStandard::ObjectsChecked() = 0;
  const auto start = std::chrono::steady_clock::now();
  try {
    PDFXPreflight walker(&status);
    walker.SetViewDocument(view);
    walker.Check();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: %d pages, %ld objects visited, %zu records, %.3f seconds\n", path.c_str(),
                walker.GetPageCounter() + 1, BareStandard::ObjectsChecked(), walker.GetErrorList().size(), seconds);
  } catch (const Zentu::AcrobatException& e) {
    std::printf("%s: %s\n", path.c_str(), e.Display().c_str());
    ok = false;
  } catch (const std::exception& e) {
    std::printf("%s: %s\n", path.c_str(), e.what());
    ok = false;
  } catch (const ASHostRaise& raise) {
    std::printf("%s: %s\n", path.c_str(), HostErrorText(raise.code).c_str());
    ok = false;
  } catch (...) {
    std::printf("%s: an unknown failure\n", path.c_str());
    ok = false;
  }
  host::CloseAllDocuments();
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE...\n", argv[0]);
    return 2;
  }
  hosttest::BindTables();
  ClearGlobalRegistries();
  Zentu::Conformance::Register(new BareStandard("Walk"));
  bool ok = true;
  for (int i = 1; i < argc; ++i) ok = Walk(argv[i]) && ok;
  ClearGlobalRegistries();
  return ok ? 0 : 1;
}
