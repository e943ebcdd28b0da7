// What the tests that run Glimmerset through plughost share: the samples, a
// plug-ins folder that links Glimmerset alone, and one bounded run with a
// settings folder of its own.
#pragma once
#include <string>
#include <vector>

#include "testing/processes.h"

namespace alternatestest {

const double kRunBound = 60;  // seconds: a run that hangs is a fault

inline std::string Sample(const std::string& name) { return std::string(SAMPLES) + "/" + name + ".pdf"; }

#ifdef GLIMMERSET_PLUGIN
// Arguments, then the script on standard input.
inline hosttest::ProcessResult RunGlimmerset(const std::string& settings, const std::vector<std::string>& args,
                                             const std::string& script) {
  static const hosttest::PluginsFolder alone({GLIMMERSET_PLUGIN});
  std::vector<std::string> argv = {PLUGHOST, "--plugins", alone.path(), "--settings", settings};
  argv.insert(argv.end(), args.begin(), args.end());
  argv.insert(argv.end(), {"--script", "-"});
  return hosttest::RunProcess(argv, script, kRunBound);
}
#endif

}  // namespace alternatestest
