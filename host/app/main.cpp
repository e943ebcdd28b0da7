// plughost: loads the plug-ins, runs their handshake, opens the document and
// carries out the user's actions in order.
#include <dirent.h>
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/host.h"
#include "dialogs/manager.h"
#include "host/handshake.h"

namespace {

const char kUsage[] =
    "usage: plughost [options] [FILE.pdf] [ACTION...]\n"
    "       plughost [options] --script FILE\n"
    "       plughost [options] --interactive [FILE.pdf]\n"
    "options:\n"
    "  --plugins DIR   load the plug-ins in DIR (default: the plugins folder beside plughost)\n"
    "  --settings DIR  keep settings in DIR (default: $PLUGHOST_HOME or ~/.config/plughost)\n"
    "  --list          list the menu items the plug-ins offer\n"
    "actions, carried out in order on the active document:\n"
    "  NAME            run the menu item NAME (as --list shows it)\n"
    "  menu NAME       the same\n"
    "  answer TEXT     answer the next alert with the button TEXT\n"
    "  open FILE       open FILE and make it the active document\n"
    "  save FILE       save the active document to FILE (never over the file it came from\n"
    "                  unless FILE names it)\n";

struct Plugin {
  std::string path;
  void* handle = nullptr;
  PIHandshake hs{};
  bool loaded = false;
};

struct Run {
  std::vector<Plugin> plugins;
  std::deque<std::string> answers;
  bool interactive = false;
  int status = 0;
};

Run* gRun = nullptr;

std::string ExeDir() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  buf[n] = 0;
  std::string p(buf);
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? "." : p.substr(0, slash);
}

[[noreturn]] void Fail(const std::string& why, int code = 2) {
  std::fflush(stdout);
  std::cerr << "plughost: " << why << std::endl;
  std::_Exit(code);
}

std::string HostError(ASErrorCode code) {
  std::string text = host::ErrorText(code);
  const std::string& detail = host::LastFailureDetail();
  if (!detail.empty()) text += " (" + detail + ")";
  return text;
}

// Alerts reach standard output; questions take the next answer, or stop the
// run when there is none (a script never hangs on a prompt).
int AnswerAlert(const host::AlertRequest& r) {
  if (r.kind == 0) {
    std::cout << "NOTE: " << r.message << std::endl;
    return 1;
  }
  std::string buttons;
  for (size_t i = 0; i < r.buttons.size(); ++i) buttons += (i ? " | " : "") + r.buttons[i];
  std::cout << (r.kind == 1 ? "CONFIRM: " : "ALERT: ") << r.message << " [" << buttons << "]"
            << std::endl;
  std::string answer;
  if (!gRun->answers.empty()) {
    answer = gRun->answers.front();
    gRun->answers.pop_front();
  } else if (gRun->interactive) {
    std::cout << "answer> " << std::flush;
    if (!std::getline(std::cin, answer)) Fail("no answer for the prompt above (end of input)");
  } else {
    Fail("the actions give no answer for the prompt above");
  }
  for (size_t i = 0; i < r.buttons.size(); ++i)
    if (r.buttons[i] == answer) return static_cast<int>(i) + 1;
  Fail("\"" + answer + "\" is not one of the buttons of the prompt above");
}

bool CallPlugin(Plugin& p, PIHandshakeProc proc, const char* step) {
  if (!proc) return true;
  try {
    return proc() != 0;
  } catch (const ASHostRaise& e) {
    std::cerr << "plughost: " << p.path << ": " << step << " raised: " << HostError(e.code) << std::endl;
  } catch (const std::exception& e) {
    std::cerr << "plughost: " << p.path << ": " << step << " threw: " << e.what() << std::endl;
  } catch (...) {
    std::cerr << "plughost: " << p.path << ": " << step << " threw" << std::endl;
  }
  return false;
}

void LoadPlugins(Run& run, const std::string& dir) {
  std::vector<std::string> files;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d)) {
      std::string name = e->d_name;
      if (name.size() > 3 && name.compare(name.size() - 3, 3, ".so") == 0) files.push_back(dir + "/" + name);
    }
    ::closedir(d);
  }
  std::sort(files.begin(), files.end());
  ASUns32 extension = 1;
  for (const std::string& file : files) {
    Plugin p;
    p.path = file;
    p.handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!p.handle) {
      std::cerr << "plughost: cannot load " << file << ": " << ::dlerror() << std::endl;
      continue;
    }
    auto main = reinterpret_cast<PlugInMainProc>(::dlsym(p.handle, PI_MAIN_NAME));
    // Its resources are read as a module's are, before any of its code runs.
    WinModule module = host::ModuleOfAddress(reinterpret_cast<const void*>(main));
    host::RegisterPlugin(extension, module);
    host::RegisterResources(module, static_cast<const PIResourceDirectory*>(::dlsym(p.handle, PI_RESOURCES_NAME)));
    p.hs.size = sizeof(PIHandshake);
    p.hs.handshakeVersion = PI_HANDSHAKE_VERSION;
    p.hs.hostVersion = HFT_VERSION(5, 0);
    p.hs.extension = extension++;
    p.hs.coreHFT = host::CoreTable();
    bool ok = false;
    if (!main) {
      std::cerr << "plughost: " << file << " exports no " << PI_MAIN_NAME << std::endl;
    } else {
      try {
        ok = main(&p.hs) != 0;
      } catch (...) {
        ok = false;
      }
      if (!ok) std::cerr << "plughost: " << file << " refused to load" << std::endl;
    }
    if (!ok) {
      host::RegisterResources(module, nullptr);
      ::dlclose(p.handle);
      continue;
    }
    run.plugins.push_back(p);
  }
  // The handshake's steps run across all plug-ins, one step at a time.
  for (auto& p : run.plugins) p.loaded = CallPlugin(p, p.hs.exportHFTs, "export");
  for (auto& p : run.plugins)
    if (p.loaded) p.loaded = CallPlugin(p, p.hs.importReplaceAndRegister, "import-replace-register");
  for (auto& p : run.plugins)
    if (p.loaded) p.loaded = CallPlugin(p, p.hs.init, "init");
}

void UnloadPlugins(Run& run) {
  for (auto it = run.plugins.rbegin(); it != run.plugins.rend(); ++it)
    if (it->loaded) CallPlugin(*it, it->hs.unload, "unload");
  host::CloseAllDocuments();
  // The libraries stay mapped until exit: static objects of a plug-in may
  // still be referred to by the host's tables.
}

void OpenActive(const std::string& file) {
  try {
    host::OpenInView(file);
  } catch (const ASHostRaise& e) {
    Fail("cannot open " + file + ": " + HostError(e.code));
  }
}

void RunMenuItem(const std::string& name) {
  std::string why;
  bool ran = false;
  try {
    ran = host::ExecuteMenuItem(name, &why);
  } catch (const ASHostRaise& e) {
    // Plug-in entries catch their own failures; this is the last guard.
    std::cout << "NOTE: " << HostError(e.code) << std::endl;
    ran = true;
  } catch (const std::exception& e) {
    std::cout << "NOTE: " << e.what() << std::endl;
    ran = true;
  }
  if (!ran) Fail(why);
}

void Save(const std::string& file) {
  AVDoc doc = host::ActiveViewDocument();
  if (!doc) Fail("save: no document is open");
  try {
    host::SaveDocument(host::ViewPDDoc(doc), file);
  } catch (const ASHostRaise& e) {
    Fail("cannot save " + file + ": " + HostError(e.code));
  }
}

std::vector<std::string> ReadScript(const std::string& file) {
  std::ifstream in(file);
  if (!in) Fail("cannot read script " + file);
  std::vector<std::string> words;
  std::string line;
  while (std::getline(in, line)) {
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    std::istringstream ls(line);
    std::string verb;
    ls >> verb;
    std::string rest;
    std::getline(ls, rest);
    size_t b = rest.find_first_not_of(" \t");
    rest = b == std::string::npos ? "" : rest.substr(b);
    words.push_back(verb);
    if (!rest.empty()) words.push_back(rest);
  }
  return words;
}

void Carry(Run& run, std::vector<std::string> actions) {
  for (size_t i = 0; i < actions.size(); ++i) {
    const std::string& a = actions[i];
    auto arg = [&](const char* what) -> std::string {
      if (i + 1 >= actions.size()) Fail(std::string(a) + " needs " + what);
      return actions[++i];
    };
    if (a == "answer") {
      run.answers.push_back(arg("a button text"));
    } else if (a == "menu") {
      RunMenuItem(arg("a menu item name"));
    } else if (a == "open") {
      OpenActive(arg("a file"));
    } else if (a == "save") {
      Save(arg("a file"));
    } else {
      RunMenuItem(a);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  Run run;
  gRun = &run;
  std::string pluginDir = ExeDir() + "/plugins";
  std::string script;
  bool list = false;
  std::vector<std::string> rest;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Fail(a + " needs a value");
      return argv[++i];
    };
    if (a == "--plugins") pluginDir = value();
    else if (a == "--settings") ::setenv("PLUGHOST_HOME", value().c_str(), 1);
    else if (a == "--script") script = value();
    else if (a == "--interactive") run.interactive = true;
    else if (a == "--list") list = true;
    else if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return 0;
    } else rest.push_back(a);
  }

  host::Init();
  host::SetAlertHandler(AnswerAlert);
  LoadPlugins(run, pluginDir);

  size_t first = 0;
  if (!rest.empty() && rest[0].size() > 4 &&
      (rest[0].compare(rest[0].size() - 4, 4, ".pdf") == 0 || rest[0].compare(rest[0].size() - 4, 4, ".PDF") == 0)) {
    OpenActive(rest[0]);
    first = 1;
  }
  if (list) {
    for (auto& item : host::MenuItems())
      std::cout << item.name << "\t" << item.path << " > " << item.title << std::endl;
  }
  std::vector<std::string> actions(rest.begin() + first, rest.end());
  if (!script.empty()) {
    auto more = ReadScript(script);
    actions.insert(actions.end(), more.begin(), more.end());
  }
  Carry(run, actions);
  if (run.interactive) {
    std::string line;
    std::cout << "plughost> " << std::flush;
    while (std::getline(std::cin, line)) {
      std::istringstream ls(line);
      std::vector<std::string> words;
      std::string w;
      while (ls >> w) words.push_back(w);
      if (!words.empty() && (words[0] == "quit" || words[0] == "exit")) break;
      if (!words.empty()) Carry(run, words);
      std::cout << "plughost> " << std::flush;
    }
  }
  UnloadPlugins(run);
  return run.status;
}
