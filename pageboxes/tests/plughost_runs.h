// What the tests that run the page-box editor through plughost share: the
// samples, a plug-ins folder that links the editor alone, the settings
// folder's values and how long a run may take.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "testing/pdfmaker.h"
#include "testing/processes.h"
#include "win/registry.h"

namespace framewicktest {

const double kRunBound = 60;  // seconds: a run that hangs is a fault
const char kKey[] = "Software\\Zentu\\Framewick\\Current_Version";

inline std::string Sample(const std::string& name) { return std::string(SAMPLES) + "/" + name + ".pdf"; }

inline std::string PluginFolder() {
  static const hosttest::PluginsFolder alone({FRAMEWICK_PLUGIN});
  return alone.path();
}

// plughost with the editor alone, settings in `settings`, `script` on its input.
inline hosttest::ProcessResult Run(const std::string& settings, const std::vector<std::string>& args,
                                   const std::string& script) {
  std::vector<std::string> argv = {PLUGHOST, "--plugins", PluginFolder(), "--settings", settings};
  argv.insert(argv.end(), args.begin(), args.end());
  argv.insert(argv.end(), {"--script", "-"});
  return hosttest::RunProcess(argv, script, kRunBound);
}

// The text values of the editor's key in the settings folder.
inline std::map<std::string, std::string> StoredValues(const std::string& settings) {
  host::reg::Hive hive;
  std::string why;
  std::map<std::string, std::string> values;
  if (!host::reg::Parse(hosttest::ReadFile(settings + "/registry/current_user.txt"), &hive, &why)) return values;
  for (const auto& value : hive[kKey].values()) values[value.name] = value.data.substr(0, value.data.find('\0'));
  return values;
}

}  // namespace framewicktest
