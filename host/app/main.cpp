// plughost: loads the plug-ins, runs their handshake, opens the document and
// carries out the user's steps in order (app/session.h).
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "app/boxes.h"
#include "app/check.h"
#include "app/images.h"
#include "app/router.h"
#include "app/session.h"
#include "core/host.h"
#include "dialogs/manager.h"
#include "host/handshake.h"
#include "support/filesys.h"
#include "win/registry.h"

namespace {

const char kCheckUsage[] =
    "usage: plughost check FILE.pdf [FILE.pdf ...] [--report PATH] [--fix] [--output PATH.pdf]\n"
    "         [--remove-tags] [--password TEXT] [--standard NAME [--keep-standard]]\n"
    "         [--settings DIR] [--plugins DIR] [--verbose] [--quiet] [--print-script]\n"
    "Checks FILE.pdf through the checker's own menu item and dialogs, run as steps\n"
    "(--print-script shows them), against the standard the file claims (its\n"
    "GTS_PDFXVersion), else the stored one; the first line, STANDARD, says which.\n"
    "Standard output has the NOTE, CONFIRM, ALERT, PASSWORD, FILE, SAVED, UNSAVED and\n"
    "VERDICT lines (every line with --verbose). Exit status 0 when the last verdict\n"
    "says the file is valid, 1 when it says it is not, 2 when no verdict was shown or\n"
    "the run stopped (one line \"plughost: reason\" on standard error).\n"
    "Several files are checked in turn, each in a session of its own, between the\n"
    "lines \"CHECK: PATH\" and \"RESULT: PATH: valid|not valid|no verdict\"; the exit\n"
    "status is 2 when one got no verdict, else 1 when one is not valid, else 0.\n"
    "--output and --report then name folders, which hold NAME.pdf and NAME.log.\n"
    "  --report PATH      write the report to PATH (\".log\" added when its name has no\n"
    "                     \".\"; it may not be FILE.pdf); -: print it after the other lines\n"
    "  --fix              press \"Fix all\" and show the verdict again; nothing is saved\n"
    "                     without --output\n"
    "  --output PATH.pdf  save the document to PATH.pdf (the name ends in \".pdf\")\n"
    "  --remove-tags      answer OK when asked to remove the identification keys of a\n"
    "                     file that is not valid (else Cancel)\n"
    "  --password TEXT    open the file with TEXT and give it at the password prompt\n"
    "                     (--print-script prints it)\n"
    "  --standard NAME    check against NAME: \"PDF/X-1a:2001\" or \"PDF/X-3\" (\"PDF/X-1a\"\n"
    "                     and \"PDF/X-3:2002\" too, in any letter case), chosen in the\n"
    "                     preferences (one check more when another standard is\n"
    "                     stored); the run works on a copy of the settings, which stay\n"
    "                     as they were\n"
    "  --keep-standard    keep NAME in the settings for later checks\n"
    "  --verbose          show every line, the dialogs' too\n"
    "  --quiet            no progress line (at a terminal, standard error shows one while\n"
    "                     the check works: per cent done and the page under way)\n"
    "  --print-script     print the steps and end\n";

const char kUsageHead[] =
    "usage: plughost [options] [FILE.pdf] [STEP...]\n"
    "Opens FILE.pdf (without it no document is open), then carries out each STEP,\n"
    "then the steps of --script, then those typed with --interactive.\n"
    "options:\n"
    "  --plugins DIR   load the plug-ins in DIR (default: the plugins folder beside plughost)\n"
    "  --settings DIR  keep settings in DIR (default: $PLUGHOST_HOME or ~/.config/plughost)\n"
    "  --script FILE   steps, one a line, from FILE (-: standard input)\n"
    "  --interactive   then read steps at the prompt \"> \" (written to standard error)\n"
    "  --brief         leave out the DIALOG, CLOSED and PROGRESS lines and the terminal's\n"
    "                  listings\n"
    "  --list          list the menu items the plug-ins offer\n"
    "  --host-version MAJOR.MINOR  the version the host tells the plug-ins (default 6.0)\n"
    "  --handshake N   the handshake version given to the plug-ins (decimal, or hexadecimal\n"
    "                  after 0x; default 0x20000)\n"
    "  --zoom Z        the page views' zoom (a number above 0; default 1)\n"
    "  --log view      print what is drawn over page views, each invalidation and each\n"
    "                  cursor change as it happens, one event line each\n"
    "  --password TEXT open documents with this password (default: the empty user password)\n"
    "  --fake-router   offer a batch router (\"CALS_BPRouter\") to the plug-ins: it prints\n"
    "                  each message it gets as a ROUTER line (steps router query, router run)\n"
    "  --pref N=V      the host's preference N holds the integer V before the plug-ins\n"
    "                  load (repeatable; 39, the page units, is 1 unless set)\n"
    "  --docking       palettes opened together dock in one group\n"
    "  --pref-item N=NAME  the host's menu item that switches preference N (131\n"
    "                  \"Overprint\", 76 \"UseLocalFonts\") is named NAME\n"
    "  --help          show this text (plughost check --help, plughost boxes --help,\n"
    "                  plughost images --help: the shortcut's alone)\n"
    "  --version       show plughost's version and the plug-ins' names and versions\n"
    "Each STEP argument is one step line, quoted for the shell:\n"
    "  plughost sample.pdf 'menu Example:PageCount' 'save out.pdf'\n"
    "A step that is one word naming a menu item runs it.\n"
    "\n";

// What plughost alone prints: the commands and where their options are told.
const char kCommands[] =
    "usage: plughost check FILE.pdf [FILE.pdf ...] [options]  check against PDF/X-1a:2001 or PDF/X-3\n"
    "       plughost boxes FILE.pdf [options]                show and set the page boxes\n"
    "       plughost images FILE.pdf [options]               convert images, make or remove alternates\n"
    "       plughost [options] [FILE.pdf] [STEP...]          run the plug-ins step by step\n"
    "The options: plughost check --help, plughost boxes --help, plughost images --help;\n"
    "plughost --help shows them all, with the steps.\n";

const char kUsageTail[] =
    "Standard output has one line per event: DIALOG, CLOSED, NOTE, CONFIRM, ALERT,\n"
    "FILE, ITEM (or the LABEL of print item), LIST, SAVED and PROGRESS. Exit status 0 when\n"
    "the steps ran; 2 with one line \"plughost: reason\" on standard error when one\n"
    "could not run. At a terminal, while a plug-in works, a typed press goes to its\n"
    "modeless dialog at once and other steps wait until the work returns. At the\n"
    "prompt the menus and toolbar buttons are listed, and each dialog as it waits.\n"
    "\n";

struct Plugin {
  std::string path;
  void* handle = nullptr;
  PIHandshake hs{};
  WinModule module = nullptr;
  bool loaded = false;
};

std::vector<Plugin> gPlugins;
plughost::Session* gSession = nullptr;

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The plug-ins beside plughost: in the build, its plugins folder; once
// installed, PREFIX/lib/plughost/plugins for PREFIX/bin/plughost.
std::string DefaultPluginFolder() {
  const std::string exe = host::ExecutableFolder(), installed = exe + "/../lib/plughost/plugins";
  return !IsFolder(exe + "/plugins") && IsFolder(installed) ? installed : exe + "/plugins";
}

[[noreturn]] void Fail(const std::string& why) {
  if (gSession) gSession->Stop(why);
  // A run stopped before its session still tells of a settings file it set aside.
  for (const std::string& note : host::reg::TakeHeldNotes()) std::cout << "NOTE: " << plughost::Escaped(note) << "\n";
  std::cout << std::flush;
  std::cerr << "plughost: " << why << std::endl;
  plughost::RunAtExit();
  std::_Exit(2);
}

// The library lets memory that runs out in some steps of its writer pass
// through a function that may not throw, which ends the process here rather
// than in a catch: such a run still ends in one line with exit status 2, its
// temporary files removed and its target as it was. Anything else ends as
// it would have.
std::terminate_handler gDefaultTerminate = nullptr;

[[noreturn]] void OnTerminate() {
  static bool entered = false;
  if (entered) {
    // Memory ran out again on the way out.
    host::RemoveTempFilesNow();
    static const char line[] = "plughost: out of memory\n";
    (void)!::write(STDERR_FILENO, line, sizeof line - 1);
    std::_Exit(2);
  }
  entered = true;
  bool memory = false;
  try {
    if (std::exception_ptr current = std::current_exception()) std::rethrow_exception(current);
  } catch (const std::bad_alloc&) {
    memory = true;
  } catch (...) {
  }
  if (!memory) {
    if (gDefaultTerminate) gDefaultTerminate();
    std::abort();
  }
  host::ReleaseMemoryReserve();
  host::RemoveTempFilesNow();  // the save's own, whose owner is never unwound
  if (host::FailSaveForMemory())
    Fail("cannot save " + host::LastSaveFailure().path + ": " + plughost::HostError(pdErrSaveFailed));
  Fail("out of memory");
}

// The shortcut the command line starts ("check", "boxes", "images"), whose
// own --help a fault of its command line points to; null for none.
const char* gShortcut = nullptr;

// A fault of the command line, found before anything is loaded.
[[noreturn]] void Usage(const std::string& why) {
  Fail(why + "; run \"plughost " + (gShortcut ? std::string(gShortcut) + " " : "") + "--help\" for the options");
}

bool CallPlugin(Plugin& p, PIHandshakeProc proc, const char* step) {
  if (!proc) return true;
  try {
    return proc() != 0;
  } catch (const ASHostRaise& e) {
    std::cerr << "plughost: " << p.path << ": " << step << " raised: " << plughost::HostError(e.code) << std::endl;
  } catch (const std::exception& e) {
    std::cerr << "plughost: " << p.path << ": " << step << " threw: " << e.what() << std::endl;
  } catch (...) {
    std::cerr << "plughost: " << p.path << ": " << step << " threw" << std::endl;
  }
  return false;
}

// The plug-in libraries of a folder, in the byte order of their names.
std::vector<std::string> PluginFiles(const std::string& dir, bool* isFolder) {
  std::vector<std::string> files;
  DIR* d = ::opendir(dir.c_str());
  *isFolder = d != nullptr;
  if (!d) return files;
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name.size() > 3 && name.compare(name.size() - 3, 3, ".so") == 0) files.push_back(dir + "/" + name);
  }
  ::closedir(d);
  std::sort(files.begin(), files.end());
  return files;
}

ASUns32 gHostVersion = HFT_VERSION(6, 0);
ASUns32 gHandshakeVersion = PI_HANDSHAKE_VERSION;

void LoadPlugins(const std::vector<std::string>& files) {
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
    p.module = module;
    host::RegisterPlugin(extension, module);
    host::RegisterResources(module, static_cast<const PIResourceDirectory*>(::dlsym(p.handle, PI_RESOURCES_NAME)));
    p.hs.size = sizeof(PIHandshake);
    p.hs.handshakeVersion = gHandshakeVersion;
    p.hs.hostVersion = gHostVersion;
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
    gPlugins.push_back(p);
  }
  // The handshake's steps run across all plug-ins, one step at a time.
  for (auto& p : gPlugins) p.loaded = CallPlugin(p, p.hs.exportHFTs, "export");
  for (auto& p : gPlugins)
    if (p.loaded) p.loaded = CallPlugin(p, p.hs.importReplaceAndRegister, "import-replace-register");
  for (auto& p : gPlugins)
    if (p.loaded) p.loaded = CallPlugin(p, p.hs.init, "init");
  try {
    host::SendAppStarted();
  } catch (const ASHostRaise& e) {
    std::cerr << "plughost: the start-up notification failed: " << plughost::HostError(e.code) << std::endl;
  }
}

void UnloadPlugins() {
  for (auto it = gPlugins.rbegin(); it != gPlugins.rend(); ++it)
    if (it->loaded) CallPlugin(*it, it->hs.unload, "unload");
  host::CloseAllDocuments();
  // The libraries stay mapped until exit: static objects of a plug-in may
  // still be referred to by the host's tables.
}

// A plug-in's name: its extension name, else its file's.
std::string PluginName(const Plugin& p) {
  std::string name;
  if (p.hs.getExtensionName) {
    try {
      if (const char* text = host::AtomText(p.hs.getExtensionName())) name = text;
    } catch (...) {
    }
  }
  if (name.empty()) {
    name = p.path.substr(p.path.rfind('/') + 1);
    name.erase(name.size() - 3);
  }
  return name;
}

// The module of the loaded plug-in of that name, or null.
WinModule ModuleNamed(const std::string& name) {
  for (const Plugin& p : gPlugins)
    if (p.loaded && PluginName(p) == name) return p.module;
  return nullptr;
}

// A plug-in's name and version (its "VERSION" resource 1, when it has one).
std::string PluginLine(const Plugin& p) {
  const std::string name = PluginName(p);
  const PIBinaryResource* version = host::FindBinary(p.module, "VERSION", 1);
  return name + " " + (version ? std::string(static_cast<const char*>(version->data), version->size) : "(no version)");
}

bool IsPdfName(const std::string& name) {
  return name.size() > 4 &&
         (name.compare(name.size() - 4, 4, ".pdf") == 0 || name.compare(name.size() - 4, 4, ".PDF") == 0);
}

// A script is read whole before anything runs, so that one that cannot be
// read does nothing.
std::deque<plughost::Line> ReadScript(const std::string& file) {
  bool stdinput = file == "-";
  std::string name = stdinput ? "standard input" : file;
  int fd = stdinput ? STDIN_FILENO : ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) Fail("cannot read the script " + name + ": " + std::strerror(errno));
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) Fail("cannot read the script " + name + ": it is a folder");
  std::string text;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("cannot read the script " + name + ": " + std::strerror(errno));
    text.append(buf, static_cast<size_t>(n));
  }
  if (!stdinput) ::close(fd);
  std::deque<plughost::Line> lines;
  size_t start = 0, number = 1;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(plughost::Line{text.substr(start, end - start), name + " line " + std::to_string(number++), ""});
    start = end + 1;
  }
  return lines;
}

// Options that take a value.
bool TakesValue(const std::string& option) {
  for (const char* name : {"--plugins", "--settings", "--script", "--host-version", "--password", "--report",
                           "--output", "--standard", "--handshake", "--zoom", "--log", "--pref", "--pref-item"})
    if (option == name) return true;
  return plughost::ImagesOptionTakesValue(option) || plughost::BoxesOptionTakesValue(option);
}

// What a run of the host is given, besides its steps.
struct Setup {
  std::string pluginDir;
  bool pluginsGiven = false;
  bool list = false, interactive = false, brief = false, version = false, logView = false;
  bool fakeRouter = false;
  // A progress line on standard error while a plug-in works (check and
  // images at a terminal, unless --quiet).
  bool progressLine = false;
  host::DocOpenOptions open;
};

// The plug-ins, then the document, then the steps; with `check`, the
// shortcut's own steps and its verdict; with `images`, its options checked
// against the plug-in's lists first; with `boxes`, its steps and its end.
// Answers the exit status.
int RunHost(const Setup& setup, std::deque<plughost::Line> lines, const std::string* document,
            const plughost::CheckRun* check, plughost::ImagesRun* images = nullptr,
            const plughost::BoxesRun* boxes = nullptr) {
  bool isFolder = false;
  std::vector<std::string> files = PluginFiles(setup.pluginDir, &isFolder);
  if (setup.pluginsGiven && !isFolder) Fail("--plugins " + setup.pluginDir + ": no such folder");
  if (setup.pluginsGiven && files.empty()) Fail("--plugins " + setup.pluginDir + " holds no plug-in");

  host::Init();
  host::SetAppVersion(static_cast<ASInt16>(gHostVersion >> 16), static_cast<ASInt16>(gHostVersion & 0xFFFF));
  plughost::Session session(std::move(lines), setup.interactive, setup.brief);
  session.SetOpenOptions(setup.open);
  session.ShowProgressLine(setup.progressLine);
  gSession = &session;
  // Memory that runs out past here unwinds the session before main says so.
  struct ForgetSession {
    ~ForgetSession() { gSession = nullptr; }
  } forgetSession;
  host::SetDriver(&session);
  host::reg::ShowHeldNotes();  // of settings read before the session
  if (setup.logView) host::SetViewEventSink([&session](const std::string& line) { session.transcript().Event(line); });
  if (check) check->Start(session);
  if (boxes) boxes->Start(session);
  if (setup.fakeRouter) plughost::StartFakeRouter(session.transcript());
  LoadPlugins(files);
  if (setup.version) {
    std::cout << "plughost " << PLUGHOST_VERSION << "\n";
    for (const Plugin& p : gPlugins)
      if (p.loaded) std::cout << PluginLine(p) << "\n";
    std::cout << std::flush;
    UnloadPlugins();
    plughost::RunAtExit();
    return 0;
  }
  if (images) {
    std::string fault = images->CheckEntries(ModuleNamed(plughost::kImagesPlugin));
    if (!fault.empty()) Usage(fault);
    if (images->options.printScript) {
      for (const std::string& line : images->Steps()) std::cout << line << '\n';
      UnloadPlugins();
      plughost::RunAtExit();
      return 0;
    }
  }

  if (document) {
    std::string fault = plughost::NotPdfFault(*document);
    if (!fault.empty()) Fail("cannot open " + *document + ": " + fault);
    AVDoc opened = nullptr;
    try {
      opened = host::OpenInView(*document, setup.open);
    } catch (const ASHostRaise& e) {
      Fail("cannot open " + *document + ": " + plughost::HostError(e.code));
    }
    // Before any work: a page tree whose pages cannot all be read.
    const std::string tree = host::PageTreeFault(host::ViewPDDoc(opened));
    if (!tree.empty()) Fail("cannot read the page tree of " + *document + ": " + tree);
  }
  if (check) check->Announce(session);
  if (setup.list) {
    for (auto& item : host::MenuItems())
      std::cout << item.name << "\t" << item.path << " > " << item.title << std::endl;
  }
  int status = 0;
  if (images)
    status = images->Run(session);
  else if (boxes)
    boxes->Run(session);
  else
    session.Run();
  session.transcript().ProgressLine("");
  std::string fault;
  if (check || boxes) {
    AVDoc doc = host::ActiveViewDocument();
    bool changed = doc && host::DocumentChanged(host::ViewPDDoc(doc));
    UnloadPlugins();
    status = check ? check->Finish(session, changed, &fault) : boxes->Finish(session, changed);
  } else {
    UnloadPlugins();
  }
  if (fault.empty()) fault = plughost::LibraryFault();
  if (!fault.empty()) Fail(fault);
  plughost::RunAtExit();
  return status;
}

// --print-script: a shortcut's steps, one a line, and nothing run.
int PrintSteps(const std::deque<plughost::Line>& steps) {
  for (const auto& line : steps) std::cout << line.text << '\n';
  plughost::RunAtExit();
  return 0;
}

// The check of one file: the road of every check, alone or one of several.
int CheckFile(plughost::CheckRun& run, Setup setup) {
  setup.brief = !run.options.verbose;
  std::string fault = run.Prepare();
  if (!fault.empty()) Fail(fault);
  if (run.options.printScript) return PrintSteps(run.Steps());
  return RunHost(setup, {}, &run.options.file, &run);
}

// The boxes shortcut on one file, its faults told before anything loads.
int BoxesFile(plughost::BoxesRun& run, Setup setup) {
  setup.brief = !run.options.verbose;
  std::string fault = run.Prepare();
  if (!fault.empty()) Usage(fault);
  fault = run.FolderFault();
  if (!fault.empty()) Fail(fault);
  if (run.options.printScript) return PrintSteps(run.Steps());
  return RunHost(setup, {}, &run.options.file, nullptr, nullptr, &run);
}

// The images shortcut: its scratch settings, then the run or its script.
int ImagesFile(plughost::ImagesRun& run, Setup setup) {
  setup.brief = !run.options.verbose;
  std::string fault = run.Prepare();
  if (!fault.empty()) Fail(fault);
  return RunHost(setup, {}, run.options.printScript ? nullptr : &run.options.file, nullptr, &run);
}

// The file's name without its folder and without ".pdf".
std::string BaseName(const std::string& file) {
  std::string name = file.substr(file.rfind('/') + 1);
  if (IsPdfName(name)) name.erase(name.size() - 4);
  return name;
}

// The check running now, for the ending signals to reach: killed, plughost
// ends it too rather than leave it running on.
volatile sig_atomic_t gChild = 0;
const int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction gOwnActions[3];

void PassEndingSignal(int sig) {
  if (gChild > 0) {
    ::kill(static_cast<pid_t>(gChild), sig);
    // Ended once the check has taken its files with it.
    while (::waitpid(static_cast<pid_t>(gChild), nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void PassEndingSignals() {
  struct sigaction action {};
  action.sa_handler = &PassEndingSignal;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < 3; ++i) {
    ::sigaction(kEndingSignals[i], nullptr, &gOwnActions[i]);
    // A signal the caller ignores (nohup) stays ignored, by the checks too.
    if (gOwnActions[i].sa_handler != SIG_IGN) ::sigaction(kEndingSignals[i], &action, nullptr);
  }
}

// Several files, each checked in a process of its own so that nothing of
// one check reaches the next; a stop ends that file's check only.
int CheckFiles(const plughost::CheckRun& given, const std::vector<std::string>& files, const Setup& setup) {
  const plughost::CheckOptions& o = given.options;
  if (o.printScript) Usage("--print-script takes one file");
  if (!o.output.empty() && !IsFolder(o.output))
    Usage("--output " + o.output + ": no such folder (with several files it names the folder of the outputs)");
  std::vector<plughost::CheckRun> runs;
  std::map<std::string, std::string> written;  // the file a run writes, the file checked
  for (const std::string& file : files) {
    plughost::CheckRun run = given;
    run.oneOfSeveral = true;
    run.options.file = file;
    const std::string name = BaseName(file);
    if (!o.output.empty()) run.options.output = o.output + "/" + name + ".pdf";
    if (!o.report.empty() && o.report != "-") run.options.report = o.report + "/" + name + ".log";
    std::string fault = plughost::CheckFault(run.options);
    if (!fault.empty()) Usage(fault);
    for (const std::string* out : {&run.options.output, &run.options.report}) {
      if (out->empty() || *out == "-") continue;
      // No check may write over a file of the run, under any of its names.
      for (const std::string& input : files) {
        if (!host::SameFile(*out, input)) continue;
        if (out == &run.options.output) Fail("--output " + o.output + " holds " + input + " itself; give another folder");
        Fail("--report " + o.report + " holds " + input + " itself; give another folder");
      }
      auto seen = written.emplace(plughost::AbsoluteFile(*out), file);
      if (!seen.second) Usage(seen.first->second + " and " + file + " would both write " + *out);
    }
    runs.push_back(run);
  }
  int worst = 0;
  PassEndingSignals();
  sigset_t ending, unblocked;
  sigemptyset(&ending);
  for (int sig : kEndingSignals) sigaddset(&ending, sig);
  // A check's standard error is read here and printed after it: no progress line.
  Setup each = setup;
  each.progressLine = false;
  for (plughost::CheckRun& run : runs) {
    const std::string& file = run.options.file;
    std::cout << "CHECK: " << plughost::Escaped(file) << std::endl;
    int errors[2];
    if (::pipe(errors) != 0) Fail(std::string("cannot make a pipe: ") + std::strerror(errno));
    // Held across the fork, so that no signal finds the child unrecorded.
    ::sigprocmask(SIG_BLOCK, &ending, &unblocked);
    const pid_t parent = ::getpid();
    pid_t child = ::fork();
    if (child < 0) Fail(std::string("cannot start the check of ") + file + ": " + std::strerror(errno));
    if (child == 0) {
      for (int i = 0; i < 3; ++i) ::sigaction(kEndingSignals[i], &gOwnActions[i], nullptr);
      // Killed outright, plughost passes nothing on: the check is ended all
      // the same, and takes its files with it.
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (::getppid() != parent) ::raise(SIGTERM);
      ::sigprocmask(SIG_SETMASK, &unblocked, nullptr);
      ::close(errors[0]);
      ::dup2(errors[1], STDERR_FILENO);
      ::close(errors[1]);
      std::exit(CheckFile(run, each));
    }
    gChild = child;
    ::sigprocmask(SIG_SETMASK, &unblocked, nullptr);
    ::close(errors[1]);
    // Its standard error; its last "plughost: " line is the reason of a stop.
    std::string err;
    char buf[4096];
    for (;;) {
      ssize_t n = ::read(errors[0], buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      err.append(buf, static_cast<size_t>(n));
    }
    ::close(errors[0]);
    int wstatus = 0;
    while (::waitpid(child, &wstatus, 0) < 0 && errno == EINTR) {
    }
    gChild = 0;
    int status = WIFEXITED(wstatus) && WEXITSTATUS(wstatus) <= 1 ? WEXITSTATUS(wstatus) : 2;
    // Its verdict stands though its save failed.
    const int unsaved = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) - plughost::kUnsavedVerdictExit : -1;
    const int verdict = unsaved == 0 || unsaved == 1 ? unsaved : status;
    std::string reason;
    size_t last = err.rfind("plughost: ", err.size() > 1 ? err.size() - 2 : 0);
    if (status == 2 && last != std::string::npos && (last == 0 || err[last - 1] == '\n')) {
      reason = err.substr(last + 10);
      if (!reason.empty() && reason.back() == '\n') reason.pop_back();
      err.erase(last);
    }
    if (status == 2 && reason.empty())
      reason = WIFSIGNALED(wstatus) ? std::string("ended by signal ") + std::to_string(WTERMSIG(wstatus))
                                    : "ended with status " + std::to_string(WEXITSTATUS(wstatus));
    std::cerr << err << std::flush;
    static const char* const kResults[] = {"valid", "not valid", "no verdict"};
    std::cout << "RESULT: " << plughost::Escaped(file) << ": " << kResults[verdict]
              << (reason.empty() ? "" : " (" + reason + ")") << std::endl;
    worst = status == 2 || worst == 2 ? 2 : std::max(worst, status);
  }
  return worst;
}

// The settings folder of --settings, made 0700 when missing.
void MakeSettingsFolder(const std::string& folder) {
  if (IsFolder(folder)) return;
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    std::string part = folder.substr(0, slash);
    if (!IsFolder(part) && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
      Fail("cannot make the settings folder " + folder + ": " + std::strerror(errno));
    if (slash == std::string::npos) return;
  }
}

}  // namespace

int Main(int argc, char** argv) {
  plughost::CatchEndingSignals();
  gDefaultTerminate = std::set_terminate(&OnTerminate);
  if (argc <= 1) {
    std::cerr << kCommands << std::flush;
    return 2;
  }
  // `check`, `boxes` or `images` as the first argument that is no option
  // starts that shortcut.
  bool isCheck = false, isImages = false, isBoxes = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (TakesValue(a)) {
      ++i;
    } else if (a.compare(0, 1, "-") != 0) {
      isCheck = a == "check";
      isImages = a == "images";
      isBoxes = a == "boxes";
      break;
    }
  }
  gShortcut = isCheck ? "check" : isImages ? "images" : isBoxes ? "boxes" : nullptr;
  Setup setup;
  setup.pluginDir = DefaultPluginFolder();
  bool checkWord = false, help = false, quiet = false;
  std::string script, settings;
  std::vector<std::string> rest, checkOnly, notWithCheck;
  plughost::CheckRun run;
  plughost::CheckOptions& check = run.options;
  plughost::ImagesRun images;
  plughost::BoxesRun boxes;
  std::string imagesFault;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Usage(a + " needs a value");
      return argv[++i];
    };
    if (a == "--plugins") {
      setup.pluginDir = value();
      setup.pluginsGiven = true;
    } else if (a == "--settings") {
      settings = value();
      if (settings.empty()) Usage("--settings needs a folder");
    } else if (a == "--script") {
      script = value();
      notWithCheck.push_back(a);
    } else if (a == "--fake-router") {
      setup.fakeRouter = true;
    } else if (a == "--interactive") {
      setup.interactive = true;
      notWithCheck.push_back(a);
    } else if (a == "--host-version") {
      std::string text = value();
      unsigned major = 0, minor = 0;
      char end = 0;
      if (std::sscanf(text.c_str(), "%3u.%3u%c", &major, &minor, &end) != 2 || major > 99 || minor > 99)
        Usage("--host-version " + text + ": give MAJOR.MINOR, as 5.0");
      gHostVersion = HFT_VERSION(major, minor);
    } else if (a == "--handshake") {
      std::string text = value();
      char* end = nullptr;
      errno = 0;
      const bool hex = text.compare(0, 2, "0x") == 0 || text.compare(0, 2, "0X") == 0;
      const unsigned long long number = std::strtoull(text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
      if (!std::isxdigit(static_cast<unsigned char>(text[hex ? 2 : 0])) || *end || errno ||
          number > 0xFFFFFFFFull)
        Usage("--handshake " + text + ": give a number, as 0x20000");
      gHandshakeVersion = static_cast<ASUns32>(number);
    } else if (a == "--zoom") {
      std::string text = value();
      char* end = nullptr;
      const double zoom = std::strtod(text.c_str(), &end);
      if (text.empty() || *end || !(zoom > 0) || !std::isfinite(zoom)) Usage("--zoom " + text + ": give a number above 0, as 1.5");
      host::SetViewZoom(zoom);
    } else if (a == "--log") {
      const std::string what = value();
      if (what != "view") Usage("--log " + what + ": only view can be logged");
      setup.logView = true;
    } else if (a == "--pref") {
      const std::string text = value();
      long number = 0, setting = 0;
      char end = 0;
      if (std::sscanf(text.c_str(), "%ld=%ld%c", &number, &setting, &end) != 2 || number < INT32_MIN ||
          number > INT32_MAX || setting < INT32_MIN || setting > INT32_MAX || text.find(' ') != std::string::npos)
        Usage("--pref " + text + ": give N=V, two integers, as 39=2");
      host::SetPreference(static_cast<ASInt32>(number), static_cast<ASInt32>(setting));
      notWithCheck.push_back(a);
    } else if (a == "--pref-item") {
      const std::string text = value();
      const size_t equals = text.find('=');
      long number = 0;
      char end = 0;
      if (equals == std::string::npos || equals + 1 == text.size() ||
          std::sscanf(text.substr(0, equals).c_str(), "%ld%c", &number, &end) != 1 ||
          !host::SetPreferenceItemName(static_cast<ASInt32>(number), text.substr(equals + 1)))
        Usage("--pref-item " + text + ": give N=NAME, N a preference a host menu item switches, as 76=LocalFonts");
      notWithCheck.push_back(a);
    } else if (a == "--docking") {
      host::SetDocking(true);
      notWithCheck.push_back(a);
    } else if (a == "--password") {
      setup.open.password = check.password = value();
      check.hasPassword = true;
    } else if (a == "--brief") {
      setup.brief = true;
      notWithCheck.push_back(a);
    } else if (a == "--list") {
      setup.list = true;
      notWithCheck.push_back(a);
    } else if (isBoxes && plughost::IsBoxesOption(a)) {
      std::string fault =
          plughost::TakeBoxesOption(a, plughost::BoxesOptionTakesValue(a) ? value() : "", &boxes.options);
      if (!fault.empty()) Usage(fault);
    } else if (plughost::TakeImagesOption(a, isImages, value, &images.options, &imagesFault)) {
      if (!imagesFault.empty()) Usage(imagesFault);
    } else if (a == "--report" || a == "--output" || a == "--standard") {
      (a == "--report" ? check.report : a == "--output" ? check.output : check.standard) = value();
      if (a == "--report" && check.report.empty()) Usage("--report needs a path");
      if (a == "--standard") check.hasStandard = true;
      checkOnly.push_back(a);
    } else if (a == "--fix" || a == "--remove-tags" || a == "--keep-standard" || a == "--verbose" ||
               a == "--print-script") {
      (a == "--fix" ? check.fix : a == "--remove-tags" ? check.removeTags : a == "--keep-standard" ? check.keepStandard
                                                             : a == "--verbose" ? check.verbose : check.printScript) = true;
      checkOnly.push_back(a);
    } else if (a == "--quiet") {
      quiet = true;
    } else if (a == "--help" || a == "-h") {
      help = true;
    } else if (a == "--version") {
      setup.version = true;
    } else if (a.compare(0, 2, "--") == 0) {
      Usage("no option " + a);
    } else if ((isCheck || isImages || isBoxes) && !checkWord) {
      checkWord = true;
    } else {
      rest.push_back(a);
    }
  }
  if (help) {
    const bool all = !isCheck && !isImages && !isBoxes;
    if (all) std::cout << kUsageHead << plughost::kStepsHelp << "\n" << kUsageTail;
    if (all || isCheck) std::cout << kCheckUsage;
    if (all || isBoxes) std::cout << (all ? "\n" : "") << plughost::kBoxesUsage;
    if (all || isImages) std::cout << (all ? "\n" : "") << plughost::kImagesUsage;
    return 0;
  }
  if (!isCheck && !checkOnly.empty()) Usage(checkOnly[0] + " goes with check");
  if (quiet && !isCheck && !isImages) Usage("--quiet goes with check and images");
  setup.progressLine = (isCheck || isImages) && !quiet && ::isatty(STDERR_FILENO);
  if (gShortcut && !notWithCheck.empty()) Usage(notWithCheck[0] + " does not go with " + gShortcut);
  if (isImages && !setup.version) {
    if (rest.size() > 1) Usage("images takes one file");
    images.options.file = rest.empty() ? "" : rest[0];
    images.options.password = check.password;
    images.options.hasPassword = check.hasPassword;
    std::string fault = plughost::ImagesFault(images.options);
    if (!fault.empty()) Usage(fault);
    fault = plughost::ImagesFolderFault(images.options);
    if (!fault.empty()) Fail(fault);
  }
  if (script == "-" && setup.interactive) Usage("--script - and --interactive would both read standard input");
  if (isCheck && !setup.version) {
    if (check.hasStandard && !check.standard.empty()) {
      std::string name = plughost::StandardName(check.standard);
      if (name.empty())
        Fail("unknown standard " + plughost::Quoted(check.standard) + "; the standards are " +
             plughost::Quoted(plughost::kFirstStandard) + " and \"PDF/X-3\"");
      check.standard = name;
    }
    check.file = rest.empty() ? "" : rest[0];
    // Several files: each file's own options are checked before the first runs.
    std::string fault = rest.size() > 1 ? "" : plughost::CheckFault(check);
    if (!fault.empty()) Usage(fault);
    if (!check.report.empty() && check.report != "-") {
      std::string folder = rest.size() > 1 ? check.report : plughost::ReportFile(check.report);
      if (rest.size() == 1) folder.erase(folder.rfind('/'));
      fault = plughost::ReportFolderFault(folder.empty() ? "/" : folder);
      if (!fault.empty()) Fail(fault);
    }
    // A folder that is missing is a fault of the command line with several files.
    if (!check.output.empty() && (rest.size() == 1 || IsFolder(check.output))) {
      fault = rest.size() > 1 ? plughost::FolderFault(check.output, "the output")
                              : plughost::FileFolderFault(check.output, "the output");
      if (!fault.empty()) Fail(fault);
    }
  }
  if (!settings.empty()) {
    MakeSettingsFolder(settings);
    ::setenv("PLUGHOST_HOME", settings.c_str(), 1);
  }
  if (setup.version) return RunHost(setup, {}, nullptr, nullptr);
  if (isImages) return ImagesFile(images, setup);
  if (isBoxes) {
    if (rest.size() > 1) Usage("boxes takes one file");
    boxes.options.file = rest.empty() ? "" : rest[0];
    boxes.password = setup.open.password;
    return BoxesFile(boxes, setup);
  }
  if (isCheck) return rest.size() > 1 ? CheckFiles(run, rest, setup) : CheckFile(run, setup);

  bool openFirst = !rest.empty() && IsPdfName(rest[0]);
  std::deque<plughost::Line> lines;
  for (size_t i = openFirst ? 1 : 0; i < rest.size(); ++i)
    lines.push_back(plughost::Line{rest[i], "argument " + std::to_string(i + 1), ""});
  if (!script.empty()) {
    auto more = ReadScript(script);
    lines.insert(lines.end(), more.begin(), more.end());
  }
  return RunHost(setup, std::move(lines), openFirst ? &rest[0] : nullptr, nullptr);
}

// Memory that ran out where no step could say so: one line, the files of
// the run removed, the targets as they were.
int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::bad_alloc&) {
    host::ReleaseMemoryReserve();
    Fail("out of memory");
  }
}
