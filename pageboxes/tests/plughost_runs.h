// What the tests that run the page-box editor through plughost share: the
// samples, a plug-ins folder that links the editor alone, the settings
// folder's values and how long a run may take.
#pragma once
#include <strings.h>
#include <sys/stat.h>

#include <map>
#include <string>
#include <utility>
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

// `plughost boxes` with the editor alone, settings in `settings`.
inline hosttest::ProcessResult Boxes(const std::string& settings, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {PLUGHOST, "boxes", "--plugins", PluginFolder(), "--settings", settings};
  argv.insert(argv.end(), args.begin(), args.end());
  return hosttest::RunProcess(argv, "", kRunBound);
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

using Values = std::vector<std::pair<std::string, std::string>>;

// Stores text values under the editor's key before a run.
inline void Seed(const std::string& settings, const Values& values) {
  host::reg::Hive hive;
  for (const auto& v : values) hive[kKey].Set(v.first, winRegSz, v.second + '\0');
  ::mkdir((settings + "/registry").c_str(), 0700);
  hosttest::WriteFile(settings + "/registry/current_user.txt", host::reg::Serialize(hive));
}

// The stored values whose key begins with "BoxLibrary" in any letter case.
inline Values LibraryValues(const std::string& settings) {
  Values out;
  for (const auto& value : StoredValues(settings))
    if (::strncasecmp(value.first.c_str(), "BoxLibrary", 10) == 0) out.push_back(value);
  return out;
}

// Page N's entry `key` (as "/TrimBox") as qpdf --json gives it, its blanks
// outside strings dropped ("[36,36,576,756]", "\"7 0 R\""); "none" without one.
inline std::string QpdfPageEntry(const std::string& file, int page, const std::string& key) {
  std::string pages, json;
  hosttest::RunCommand("qpdf --json=2 --json-key=pages " + hosttest::Quoted(file), &pages);
  size_t at = 0;
  for (int n = 0; n < page && at != std::string::npos; ++n) at = pages.find("\"object\": \"", at + 1);
  if (at == std::string::npos) return "no page";
  const std::string object = pages.substr(at + 11, pages.find(' ', at + 11) - at - 11);
  hosttest::RunCommand("qpdf --json=2 --json-key=qpdf --json-object=" + object + " " + hosttest::Quoted(file), &json);
  // The page's own keys stand ten blanks in; its record's entries deeper.
  const std::string head = "\n          \"" + key + "\": ";
  at = json.find(head);
  if (at == std::string::npos) return "none";
  std::string value;
  bool quoted = false;
  int depth = 0;
  for (at += head.size(); at < json.size(); ++at) {
    const char c = json[at];
    if (c == '"' && json[at - 1] != '\\') quoted = !quoted;
    if (!quoted && (c == '[' || c == '{')) ++depth;
    if (!quoted && (c == ']' || c == '}')) --depth;
    if (!quoted && depth <= 0 && (c == ',' || c == '\n' || depth < 0)) break;
    if (quoted || (c != ' ' && c != '\n')) value += c;
  }
  return value;
}

}  // namespace framewicktest
