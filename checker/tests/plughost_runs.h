// What the tests that run the checker through plughost share: where the
// samples and the plug-in are, how long a run may take, and the question
// after a check that leaves errors.
#pragma once
#include <string>

#include "testing/processes.h"

namespace checkertest {

const double kRunBound = 60;  // seconds: a run that hangs is a fault

inline std::string Sample(const std::string& name) { return std::string(SAMPLES) + "/" + name + ".pdf"; }

#ifdef CHECKER_PLUGIN
// A plug-ins folder that links the checker alone: the other plug-ins built
// beside it have menus and settings of their own.
inline std::string PluginFolder() {
  static const hosttest::PluginsFolder alone({CHECKER_PLUGIN});
  return alone.path();
}
#endif

// Followed by the answer the transcript shows.
const char kQuestion[] =
    "CONFIRM: This file did not meet the conformance tests for a PDF/X file.  The GTS_PDFXVersion and "
    "GTS_PDFXConformance tags should be removed.\\n\\nClick Ok to remove the tags.\\n\\nClick Cancel to leave the "
    "file unchanged. -> ";

}  // namespace checkertest
