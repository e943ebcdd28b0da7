// What the tests that run the page-box editor through plughost share: the
// samples, a plug-ins folder that links the editor alone, the settings
// folder's values and how long a run may take.
#pragma once
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
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

// dir/in.pdf, of pages with these entries (objects 3 on), then the objects `more`.
inline std::string PagesFile(const hosttest::TempDir& dir, const std::vector<std::string>& pages,
                             const std::vector<std::string>& more = {}) {
  hosttest::PdfSpec spec;
  std::string kids;
  for (size_t i = 0; i < pages.size(); ++i) kids += std::to_string(3 + i) + " 0 R ";
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                  "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>"};
  for (const std::string& page : pages) spec.objects.push_back("<< /Type /Page /Parent 2 0 R " + page + " >>");
  spec.objects.insert(spec.objects.end(), more.begin(), more.end());
  hosttest::WriteFile(dir.File("in.pdf"), hosttest::MakePdf(spec));
  return dir.File("in.pdf");
}

// Page N's entry `key` ("/TrimBox") as qpdf --json gives it, blanks outside
// strings dropped ("[36,36,576,756]", "\"7 0 R\""); "none" without one.
inline std::string QpdfPageEntry(const std::string& file, int page, const std::string& key) {
  std::string pages, json, value;
  hosttest::RunCommand("qpdf --show-pages " + hosttest::Quoted(file), &pages);  // "page N: K 0 R"
  const size_t object = pages.find("page " + std::to_string(page) + ": ") + std::to_string(page).size() + 7;
  const std::string number = pages.substr(object, pages.find(' ', object) - object);
  hosttest::RunCommand("qpdf --json=2 --json-key=qpdf --json-object=" + number + " " + hosttest::Quoted(file), &json);
  // The page's own keys stand ten blanks in; its record's entries deeper.
  const size_t at = json.find("\n          \"" + key + "\": "), from = at + key.size() + 15;
  if (at == std::string::npos) return "none";
  bool quoted = false;
  for (char c : json.substr(from, std::min(json.find("\n          \"", from), json.find("\n        }", from)) - from)) {
    quoted = quoted != (c == '"');
    if (quoted || !std::isspace(static_cast<unsigned char>(c))) value += c;
  }
  if (value.back() == ',') value.pop_back();
  return value;
}

}  // namespace framewicktest
