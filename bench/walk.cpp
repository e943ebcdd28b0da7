// bench/walk [--standard NAME] [--records] FILE...: checks each file and
// prints its pages, the records filed, the open records per severity (0 to
// 9) and the seconds taken. Without --standard the check runs against a
// standard with no rules and also counts the objects visited; with it,
// against the registered standard of that name, deferred tests included,
// with settings in a folder of its own. --records prints each open record
// of severity 0 or more after its file's line: two blanks, then page,
// severity, object kind, problem kind, message and detail, separated by
// tabs. A file that cannot be opened or checked prints its error, and the
// next file goes on. The exit status is 1 when any file failed.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "bench/bare_standard.h"
#include "common/AcrobatException.h"
#include "common/Prefs.h"
#include "core/host.h"
#include "engine/Conformance.h"
#include "engine/PDFXPreflight.h"
#include "engine/StatusInterface.h"
#include "host/calls.h"
#include "standards/Standards.h"
#include "testing/pdfmaker.h"

namespace {

struct Options {
  std::string standard;  // empty: the bare standard
  bool records = false;
  std::vector<std::string> files;
};

std::string HostErrorText(ASErrorCode code) {
  std::string text = host::ErrorText(code);
  if (!host::LastFailureDetail().empty()) text += " (" + host::LastFailureDetail() + ")";
  return text;
}

// A text on one line: line breaks, tabs and backslashes escaped.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out += c;
    }
  }
  return out;
}

std::string OpenCounts(const PDFXPreflight& walker) {
  std::string counts = "open by severity";
  for (int count : walker.GetOpenCounts()) counts += " " + std::to_string(count);
  return counts;
}

void PrintRecords(const PDFXPreflight& walker) {
  for (const auto& error : walker.GetErrorList()) {
    if (error->GetEffectiveSeverity() < 0) continue;
    std::printf("  %d\t%d\t%d\t%d\t%s\t%s\n", error->GetPageIndex(), error->GetSeverity(), error->GetObjectKind(),
                error->GetProblemKind(), Escaped(error->GetMessage()).c_str(), Escaped(error->GetDetail()).c_str());
  }
}

// Answers false when the file could not be opened or checked.
bool Walk(const std::string& path, const Options& options) {
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
  boost::shared_ptr<PDFXPreflight> walker(new PDFXPreflight(&status));
  try {
    walker->SetViewDocument(view);
    walker->Check();
    bool again = false;
    do {
      walker->RunDeferredTests(walker, &status, again);
    } while (again);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::string visited;
    if (options.standard.empty()) visited = std::to_string(BareStandard::ObjectsChecked()) + " objects visited, ";
    std::printf("%s: %d pages, %s%zu records, %s, %.3f seconds\n", path.c_str(), walker->GetPageCounter() + 1,
                visited.c_str(), walker->GetErrorList().size(), OpenCounts(*walker).c_str(), seconds);
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
  if (options.records) PrintRecords(*walker);
  std::fflush(stdout);
  walker.reset();
  host::CloseAllDocuments();
  return ok;
}

bool ParseArguments(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--standard" && i + 1 < argc) {
      options.standard = argv[++i];
    } else if (arg == "--records") {
      options.records = true;
    } else {
      options.files.push_back(arg);
    }
  }
  return !options.files.empty();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArguments(argc, argv, options)) {
    std::fprintf(stderr, "usage: %s [--standard NAME] [--records] FILE...\n", argv[0]);
    return 2;
  }
  hosttest::BindTables();
  ClearGlobalRegistries();
  // Settings of its own: the user's are never read or written.
  hosttest::TempDir home;
  ::setenv("PLUGHOST_HOME", home.File("settings").c_str(), 1);
  if (options.standard.empty()) {
    Zentu::Conformance::Register(new BareStandard("Walk"));
  } else {
    Zentu::LoadStandards();
    if (!Zentu::Conformance::CreateByName(options.standard)) {
      std::fprintf(stderr, "%s: no standard \"%s\"\n", argv[0], options.standard.c_str());
      Zentu::UnloadStandards();
      return 2;
    }
    Prefs::Set("conformance", options.standard);
  }
  bool ok = true;
  for (const std::string& file : options.files) ok = Walk(file, options) && ok;
  Zentu::UnloadStandards();
  return ok ? 0 : 1;
}
