// plughost: loads the plug-ins, runs their handshake, opens the document and
// carries out the user's steps in order (app/session.h).
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <deque>
#include <iostream>
#include <string>
#include <vector>

#include "app/check.h"
#include "app/session.h"
#include "core/host.h"
#include "dialogs/manager.h"
#include "host/handshake.h"

namespace {

const char kCheckUsage[] =
    "usage: plughost check FILE.pdf [--report PATH] [--fix] [--output PATH.pdf] [--remove-tags]\n"
    "         [--password TEXT] [--standard NAME [--keep-standard]] [--settings DIR] [--plugins DIR]\n"
    "         [--verbose] [--print-script]\n"
    "Checks FILE.pdf through the checker's own menu item and dialogs, run as steps\n"
    "(--print-script shows them). Standard output has the NOTE, CONFIRM, ALERT,\n"
    "PASSWORD, FILE, SAVED and VERDICT lines (every line with --verbose). Exit status\n"
    "0 when the last verdict says the file is valid, 1 when it says it is not, 2 when\n"
    "no verdict was shown or the run stopped (one line \"plughost: reason\" on\n"
    "standard error).\n"
    "  --report PATH      write the report to PATH (\".log\" added when its name has no\n"
    "                     \".\"; it may not be FILE.pdf); -: print it after the other lines\n"
    "  --fix              press \"Fix all\" and show the verdict again; nothing is saved\n"
    "                     without --output\n"
    "  --output PATH.pdf  save the document to PATH.pdf (the name ends in \".pdf\")\n"
    "  --remove-tags      answer OK when asked to remove the identification keys of a\n"
    "                     file that is not valid (else Cancel)\n"
    "  --password TEXT    open the file with TEXT and give it at the password prompt\n"
    "                     (--print-script prints it)\n"
    "  --standard NAME    check against NAME, chosen in the preferences (one check more\n"
    "                     when another standard is stored); the run works on a copy of\n"
    "                     the settings, which stay as they were\n"
    "  --keep-standard    keep NAME in the settings for later checks\n"
    "  --verbose          show every line, the dialogs' too\n"
    "  --print-script     print the steps and end\n";

const char kUsage[] =
    "usage: plughost [options] [FILE.pdf] [STEP...]\n"
    "Opens FILE.pdf (without it no document is open), then carries out each STEP,\n"
    "then the steps of --script, then those typed with --interactive.\n"
    "options:\n"
    "  --plugins DIR   load the plug-ins in DIR (default: the plugins folder beside plughost)\n"
    "  --settings DIR  keep settings in DIR (default: $PLUGHOST_HOME or ~/.config/plughost)\n"
    "  --script FILE   steps, one a line, from FILE (-: standard input)\n"
    "  --interactive   then read steps at the prompt \"> \" (written to standard error)\n"
    "  --brief         leave out the DIALOG and CLOSED lines and the terminal's listings\n"
    "  --list          list the menu items the plug-ins offer\n"
    "  --host-version MAJOR.MINOR  the version the host tells the plug-ins (default 6.0)\n"
    "  --handshake N   the handshake version given to the plug-ins (decimal, or hexadecimal\n"
    "                  after 0x; default 0x20000)\n"
    "  --zoom Z        the page views' zoom (a number above 0; default 1)\n"
    "  --log view      print what is drawn over page views, each invalidation and each\n"
    "                  cursor change as it happens, one event line each\n"
    "  --password TEXT open documents with this password (default: the empty user password)\n"
    "  --help          show this text\n"
    "Each STEP argument is one step line, quoted for the shell:\n"
    "  plughost sample.pdf 'menu Example:PageCount' 'save out.pdf'\n"
    "A step that is one word naming a menu item runs it.\n"
    "\n"
    "Steps at top level:\n"
    "  menu NAME                run a menu item by name, or by its title without \"&\"\n"
    "  button NAME              run a toolbar button by name\n"
    "  open PATH                open PATH as the active document\n"
    "  page N                   show page N (from 1) of the active document\n"
    "  save PATH                save the active document to PATH\n"
    "  print menus              the menus (names, titles, disabled items), then the\n"
    "                           toolbar (names, help texts, bitmaps, marked and\n"
    "                           disabled buttons)\n"
    "  tool NAME                make the tool of type NAME the active tool\n"
    "  print tool               the active tool's type and the cursor shown now\n"
    "  draw                     draw the active document's page view: \"DRAW page P\",\n"
    "                           then what it drew, one line each (\"image N G R\",\n"
    "                           \"color R G B\", \"rect L T R B width W dash A B\",\n"
    "                           \"xor L T R B\", \"frame L T R B\"), in device units\n"
    "  close                    close the active document without saving\n"
    "  activate N               make the N-th open document (in the order opened,\n"
    "                           from 1) the active one\n"
    "  set-page-key KEY VALUE   put VALUE (PDF syntax; null removes) under /KEY of\n"
    "                           the page the active view shows\n"
    "  pointer X Y              move the pointer (device units of the active view)\n"
    "  click X Y                click there with the active tool\n"
    "  drag X1 Y1 X2 Y2 ...     press at the first point, move through the others,\n"
    "                           release at the last\n"
    "  key CODE [FLAGS]         press the key CODE with the modifier FLAGS (default 0)\n"
    "  quit                     unload the plug-ins and end (also: exit)\n"
    "while a dialog waits (the innermost one):\n"
    "  expect dialog N [M ...]  stop unless it was built from one of these templates\n"
    "  print dialog             its items: name, kind, text, states (an edit's number range)\n"
    "  print item ITEM [LABEL]  one item's text, as \"ITEM name: text\" or \"LABEL: text\"\n"
    "  press ITEM               press a button, tick a box\n"
    "  set ITEM TEXT            type a text\n"
    "  check ITEM on|off        set a check box or radio button\n"
    "  choose ITEM TEXT|[N]     choose a pop-up's entry by its text, or by its index N\n"
    "  select ITEM ROW          select a list's entry by its row (from 0)\n"
    "  scroll ITEM VALUE        set a scrollbar's value\n"
    "  print list ITEM          each entry as drawn: \"LIST name row: \" and its texts, tab-joined\n"
    "  move X Y, resize W H     move or resize the dialog\n"
    "while a prompt waits:\n"
    "  answer confirm ok|cancel, answer alert N|TEXT\n"
    "  answer password TEXT|cancel   the password prompt; a quoted TEXT is always a\n"
    "                           password (answer password \"cancel\"); at a terminal the\n"
    "                           prompt reads the password without echo\n"
    "  answer file PATH|cancel|error CODE   a file chooser; a quoted PATH is always a path\n"
    "                           (answer file \"cancel\"); it is made absolute, and a save\n"
    "                           without \".\" in its last part gets the default extension\n"
    "anywhere:\n"
    "  always confirm ok|cancel, always alert N|TEXT, always password TEXT|cancel\n"
    "                           a standing answer for later prompts\n"
    "  if enabled ITEM ... [else ...] end               steps taken as an item is enabled\n"
    "  quiet on, quiet off      hold the event lines: dropped at off, printed at a stop\n"
    "  at-progress N press ITEM press ITEM of the working (modeless) dialog in the N-th\n"
    "                           round of the message pump from here; menu and other\n"
    "                           steps wait until the plug-in's work returns\n"
    "An ITEM is its identifier, ID#n when several items share it (n from 1), or its\n"
    "text without \"&\"; a quoted name is always a text. Arguments are words or\n"
    "\"quoted texts\" (with \\\" \\\\ \\n \\t); the last runs to the end of the line.\n"
    "A # at the start of a line or after a blank begins a comment.\n"
    "\n"
    "Standard output has one line per event: DIALOG, CLOSED, NOTE, CONFIRM, ALERT,\n"
    "FILE, ITEM (or the LABEL of print item), LIST and SAVED. Exit status 0 when\n"
    "the steps ran; 2 with one line \"plughost: reason\" on standard error when one\n"
    "could not run. At a terminal, while a plug-in works, a typed press goes to its\n"
    "modeless dialog at once and other steps wait until the work returns. At the\n"
    "prompt the menus and toolbar buttons are listed, and each dialog as it waits.\n"
    "\n";

struct Plugin {
  std::string path;
  void* handle = nullptr;
  PIHandshake hs{};
  bool loaded = false;
};

std::vector<Plugin> gPlugins;
plughost::Session* gSession = nullptr;

std::string ExeDir() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  buf[n] = 0;
  std::string p(buf);
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? "." : p.substr(0, slash);
}

[[noreturn]] void Fail(const std::string& why) {
  if (gSession) gSession->Stop(why);
  std::cout << std::flush;
  std::cerr << "plughost: " << why << std::endl;
  plughost::RunAtExit();
  std::_Exit(2);
}

bool gCheck = false;  // the `check` shortcut

// A fault of the command line, found before anything is loaded.
[[noreturn]] void Usage(const std::string& why) {
  if (!gCheck) Fail(why + " (plughost --help shows the usage)");
  std::cerr << "plughost: " << why << "\n" << kCheckUsage << std::flush;
  plughost::RunAtExit();
  std::_Exit(2);
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
                           "--output", "--standard", "--handshake", "--zoom", "--log"})
    if (option == name) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // `check` as the first argument that is no option starts the shortcut.
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (TakesValue(a)) {
      ++i;
    } else if (a.compare(0, 1, "-") != 0) {
      gCheck = a == "check";
      break;
    }
  }
  std::string pluginDir = ExeDir() + "/plugins";
  bool pluginsGiven = false, list = false, interactive = false, brief = false, checkWord = false, logView = false;
  std::string script;
  host::DocOpenOptions open;
  std::vector<std::string> rest, checkOnly, notWithCheck;
  plughost::CheckRun run;
  plughost::CheckOptions& check = run.options;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Usage(a + " needs a value");
      return argv[++i];
    };
    if (a == "--plugins") {
      pluginDir = value();
      pluginsGiven = true;
    } else if (a == "--settings") {
      ::setenv("PLUGHOST_HOME", value().c_str(), 1);
    } else if (a == "--script") {
      script = value();
      notWithCheck.push_back(a);
    } else if (a == "--interactive") {
      interactive = true;
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
      logView = true;
    } else if (a == "--password") {
      open.password = check.password = value();
      check.hasPassword = true;
    } else if (a == "--brief") {
      brief = true;
      notWithCheck.push_back(a);
    } else if (a == "--list") {
      list = true;
      notWithCheck.push_back(a);
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
    } else if (a == "--help" || a == "-h") {
      std::cout << kUsage << kCheckUsage;
      return 0;
    } else if (a.compare(0, 2, "--") == 0) {
      Usage("no option " + a);
    } else if (gCheck && !checkWord) {
      checkWord = true;
    } else {
      rest.push_back(a);
    }
  }
  if (!gCheck && !checkOnly.empty()) Usage(checkOnly[0] + " goes with check");
  if (gCheck && !notWithCheck.empty()) Usage(notWithCheck[0] + " does not go with check");
  if (gCheck && rest.size() > 1) Usage("check takes one file, and " + rest[1] + " is another");
  if (script == "-" && interactive) Fail("--script - and --interactive would both read standard input");
  if (gCheck) {
    check.file = rest.empty() ? "" : rest[0];
    std::string fault = plughost::CheckFault(check);
    if (!fault.empty()) Usage(fault);
    brief = !check.verbose;
    fault = run.Prepare();
    if (!fault.empty()) Fail(fault);
    if (check.printScript) {
      for (const auto& line : run.Steps()) std::cout << line.text << '\n';
      plughost::RunAtExit();
      return 0;
    }
  }

  bool isFolder = false;
  std::vector<std::string> files = PluginFiles(pluginDir, &isFolder);
  if (pluginsGiven && !isFolder) Fail("--plugins " + pluginDir + ": no such folder");
  if (pluginsGiven && files.empty()) Fail("--plugins " + pluginDir + " holds no plug-in");

  bool openFirst = !rest.empty() && (gCheck || IsPdfName(rest[0]));
  std::deque<plughost::Line> lines;
  for (size_t i = openFirst ? 1 : 0; i < rest.size(); ++i)
    lines.push_back(plughost::Line{rest[i], "argument " + std::to_string(i + 1), ""});
  if (!script.empty()) {
    auto more = ReadScript(script);
    lines.insert(lines.end(), more.begin(), more.end());
  }

  host::Init();
  host::SetAppVersion(static_cast<ASInt16>(gHostVersion >> 16), static_cast<ASInt16>(gHostVersion & 0xFFFF));
  plughost::Session session(std::move(lines), interactive, brief);
  session.SetOpenOptions(open);
  gSession = &session;
  host::SetDriver(&session);
  if (logView) host::SetViewEventSink([&session](const std::string& line) { session.transcript().Event(line); });
  if (gCheck) run.Start(session);
  LoadPlugins(files);

  if (openFirst) {
    try {
      host::OpenInView(rest[0], open);
    } catch (const ASHostRaise& e) {
      Fail("cannot open " + rest[0] + ": " + plughost::HostError(e.code));
    }
  }
  if (list) {
    for (auto& item : host::MenuItems())
      std::cout << item.name << "\t" << item.path << " > " << item.title << std::endl;
  }
  session.Run();
  UnloadPlugins();
  if (gCheck) {
    std::string fault;
    int status = run.Finish(session, &fault);
    if (!fault.empty()) Fail(fault);
    plughost::RunAtExit();
    return status;
  }
  plughost::RunAtExit();
  return 0;
}
