#include "app/check.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>

#include <qpdf/QPDF.hh>

#include "app/steps.h"
#include "core/host.h"
#include "win/registry.h"

namespace plughost {

const char kCheckMenu[] = "Zent:PDFXCorvane3:Check";
const char kStandardKey[] = "Software\\Zentu\\PDF/X Corvane 3\\Current_Version";
const char kStandardValue[] = "conformance";
const char kFirstStandard[] = "PDF/X-1a:2001";

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string CurrentFolder() {
  char buf[PATH_MAX];
  return ::getcwd(buf, sizeof buf) ? buf : ".";
}

// A file's real path, or its absolute name when it does not exist.
std::string RealFile(const std::string& path) {
  char real[PATH_MAX];
  if (::realpath(path.c_str(), real)) return real;
  return AbsoluteFile(path);
}

bool SameFile(const std::string& a, const std::string& b) { return RealFile(a) == RealFile(b); }

long long Nanoseconds(const timespec& t) { return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec; }

bool CopyFile(const std::string& from, const std::string& to, mode_t mode) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  bool ok = out >= 0;
  char buf[65536];
  while (ok) {
    ssize_t n = ::read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    for (ssize_t done = 0; ok && done < n;) {
      ssize_t w = ::write(out, buf + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      ok = w > 0;
      done += w > 0 ? w : 0;
    }
  }
  int err = errno;
  ::close(in);
  if (out >= 0) {
    ok = ::fchmod(out, mode & 07777) == 0 && ok;
    ok = ::close(out) == 0 && ok;
  }
  errno = err;
  return ok;
}

// Copies what the folder `from` holds into the existing folder `to`:
// folders, files and symbolic links, with their modes; nothing else.
bool CopyInto(const std::string& from, const std::string& to, std::string* why) {
  DIR* dir = ::opendir(from.c_str());
  if (!dir) {
    *why = from + ": " + std::strerror(errno);
    return false;
  }
  bool ok = true;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    std::string source = from + "/" + name, target = to + "/" + name;
    struct stat st {};
    bool done = ::lstat(source.c_str(), &st) == 0;
    if (done && S_ISDIR(st.st_mode)) {
      done = ::mkdir(target.c_str(), 0700) == 0 && CopyInto(source, target, why) &&
             ::chmod(target.c_str(), st.st_mode & 07777) == 0;
    } else if (done && S_ISREG(st.st_mode)) {
      done = CopyFile(source, target, st.st_mode);
    } else if (done && S_ISLNK(st.st_mode)) {
      char link[PATH_MAX];
      ssize_t n = ::readlink(source.c_str(), link, sizeof link - 1);
      done = n >= 0 && ::symlink(std::string(link, static_cast<size_t>(n)).c_str(), target.c_str()) == 0;
    }
    if (!done) {
      if (why->empty()) *why = source + ": " + std::strerror(errno);
      ok = false;
      break;
    }
  }
  ::closedir(dir);
  return ok;
}

int RemoveEntry(const char* path, const struct stat*, int, struct FTW*) {
  ::remove(path);
  return 0;
}

// The standard stored in the settings folder the run works on.
std::string StoredStandard() {
  host::reg::Hive hive;
  if (host::reg::ReadHive(winHiveCurrentUser, &hive) != 0) return "";
  auto key = hive.find(kStandardKey);
  const host::reg::Value* value = key == hive.end() ? nullptr : key->second.Find(kStandardValue);
  if (!value) return "";
  std::string text = value->data;
  if (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

// The standard the checker takes for a stored one: an unknown or missing
// one gives the first registered.
std::string UsedStandard(const std::string& stored) {
  return stored == "PDF/X-3" || stored == kFirstStandard ? stored : kFirstStandard;
}

}  // namespace

std::string AbsoluteFile(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  char real[PATH_MAX];
  std::string base;
  if (::realpath(folder.c_str(), real))
    base = real;
  else if (path[0] == '/')
    base = folder;
  else
    base = CurrentFolder() + "/" + folder;
  return (base == "/" ? "" : base) + "/" + name;
}

std::string ReportFile(const std::string& given) {
  std::string last = given.substr(given.rfind('/') + 1);
  return AbsoluteFile(last.find('.') == std::string::npos ? given + ".log" : given);
}

std::string StandardName(const std::string& given) {
  std::string name = given;
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (name == "pdf/x-1a:2001" || name == "pdf/x-1a") return kFirstStandard;
  if (name == "pdf/x-3:2002" || name == "pdf/x-3") return "PDF/X-3";
  return "";
}

std::string ClaimedStandard(const std::string& file, const std::string* password, std::string* claim) {
  try {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(file.c_str(), password ? password->c_str() : nullptr);
    QPDFObjectHandle info = pdf.getTrailer().getKey("/Info");
    if (!info.isDictionary()) return "";
    auto text = [&](const char* key) {
      QPDFObjectHandle value = info.getKey(key);
      return value.isString() ? value.getUTF8Value() : std::string();
    };
    const std::string version = text("/GTS_PDFXVersion"), conformance = text("/GTS_PDFXConformance");
    if (version == "PDF/X-3:2002") {
      *claim = version;
      return "PDF/X-3";
    }
    if (conformance == "PDF/X-1a:2001" || version == "PDF/X-1:2001") {
      *claim = conformance == "PDF/X-1a:2001" ? conformance : version;
      return kFirstStandard;
    }
  } catch (const std::exception&) {
    // Unreadable here is unreadable for the run too, which says why.
  }
  return "";
}

std::string NotPdfFault(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "";
  std::string fault;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    char head[1024];
    ssize_t n;
    do {
      n = ::read(fd, head, sizeof head);
    } while (n < 0 && errno == EINTR);
    if (st.st_size == 0)
      fault = "the file is empty";
    else if (n >= 0 && std::string(head, static_cast<size_t>(n)).find("%PDF-") == std::string::npos)
      fault = "not a PDF file";
  }
  ::close(fd);
  return fault;
}

std::string ReportFolderFault(const std::string& folder) {
  struct stat st {};
  std::string why;
  if (::stat(folder.c_str(), &st) != 0)
    why = std::strerror(errno);
  else if (!S_ISDIR(st.st_mode))
    why = "not a folder";
  else if (::access(folder.c_str(), W_OK | X_OK) != 0)
    why = std::strerror(errno);
  return why.empty() ? "" : "cannot write the report into " + folder + ": " + why;
}

std::string CheckFault(const CheckOptions& o) {
  if (o.file.empty()) return "check needs the PDF file to check";
  if (!o.output.empty() && (!EndsWith(o.output, ".pdf") || o.output.size() == 4 || EndsWith(o.output, "/.pdf")))
    return "--output " + o.output + ": the name must end in \".pdf\"";
  if (o.keepStandard && !o.hasStandard) return "--keep-standard goes with --standard NAME";
  if (o.hasStandard && o.standard.empty()) return "--standard needs the name of a standard";
  if (!o.report.empty() && o.report != "-") {
    std::string report = ReportFile(o.report);
    if (SameFile(report, o.file)) return "--report would overwrite " + o.file;
    if (!o.output.empty() && SameFile(report, o.output)) return "--report would overwrite the --output file " + o.output;
  }
  return "";
}

std::vector<std::string> CheckSteps(const CheckOptions& o, const std::string& reportAnswer, bool chooseStandard) {
  std::vector<std::string> s;
  const std::string menu = std::string("menu ") + kCheckMenu, wizard = "expect dialog 137 138";
  s.push_back("always password " + (o.hasPassword ? Quoted(o.password) : std::string("cancel")));
  if (chooseStandard) {
    // A first check that only leads to the preferences; what it shows is
    // held, and printed only if the run stops before the second wizard.
    if (!o.verbose) s.push_back("quiet on");
    s.insert(s.end(), {"always confirm cancel", menu, wizard, "press 1027", "expect dialog 135",
                       "choose 1026 " + Quoted(o.standard), "press 1"});
  }
  s.push_back(std::string("always confirm ") + (o.removeTags ? "ok" : "cancel"));
  s.insert(s.end(), {menu, wizard});
  if (chooseStandard && !o.verbose) s.push_back("quiet off");
  s.push_back("print item 1010 VERDICT");
  if (o.fix) s.insert(s.end(), {"if enabled 1007", "  press 1007", "  print item 1010 VERDICT", "end"});
  if (!o.report.empty()) s.insert(s.end(), {"press 1024", "answer file " + Quoted(reportAnswer)});
  if (o.output.empty()) {
    s.push_back("press 1");
  } else {
    // "Save" is enabled only for a valid document; else the host saves
    // once the wizard has closed.
    std::string output = Quoted(AbsoluteFile(o.output));
    s.insert(s.end(), {"if enabled 1009", "  press 1009", "  answer file " + output, "  press 1", "else",
                       "  press 1", "  save " + output, "end"});
  }
  s.push_back("quit");
  return s;
}

int VerdictStatus(const std::string& verdict) {
  if (verdict.compare(0, 16, "Congratulations!") == 0) return 0;
  if (verdict.compare(0, 24, "This file isn't a valid ") == 0) return 1;
  return 2;
}

bool FileState::operator==(const FileState& o) const {
  return exists == o.exists && inode == o.inode && size == o.size && mtime == o.mtime && ctime == o.ctime;
}

FileState StateOf(const std::string& path) {
  FileState s;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return s;
  s.exists = true;
  s.inode = st.st_ino;
  s.size = static_cast<unsigned long long>(st.st_size);
  s.mtime = Nanoseconds(st.st_mtim);
  s.ctime = Nanoseconds(st.st_ctim);
  return s;
}

std::string CopySettings(const std::string& from, std::string* why) {
  std::string tmpl = host::TempFolder() + "/plughost-settings-XXXXXX";
  if (!::mkdtemp(tmpl.data())) {
    *why = "cannot make a folder in " + host::TempFolder() + ": " + std::strerror(errno);
    return "";
  }
  struct stat st {};
  if (::stat(from.c_str(), &st) != 0 && errno == ENOENT) return tmpl;
  why->clear();
  if (!CopyInto(from, tmpl, why)) {
    *why = "cannot copy the settings folder " + from + ": " + *why;
    RemoveTree(tmpl);
    return "";
  }
  return tmpl;
}

void RemoveTree(const std::string& path) {
  if (!path.empty()) ::nftw(path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

std::string CheckRun::Prepare() {
  // Without --standard the file's own claim chooses, on a copy of the
  // settings as --standard does; else the stored standard, as it is.
  if (!options.hasStandard) {
    std::string claim;
    std::string name = ClaimedStandard(options.file, options.hasPassword ? &options.password : nullptr, &claim);
    if (name.empty()) {
      standardLine = "STANDARD: " + UsedStandard(StoredStandard()) + " (stored)";
    } else {
      options.standard = name;
      options.hasStandard = true;
      standardLine = "STANDARD: " + name + " (the file claims " + claim + ")";
    }
  }
  if (options.hasStandard && !options.keepStandard) {
    std::string why;
    std::string scratch = CopySettings(host::reg::SettingsFolder(), &why);
    if (scratch.empty()) return why;
    AtExit([scratch] { RemoveTree(scratch); });
    ::setenv("PLUGHOST_HOME", scratch.c_str(), 1);
  }
  if (options.report.empty()) return "";
  if (options.report != "-") {
    reportAnswer = ReportFile(options.report);
  } else if (options.printScript) {
    reportAnswer = "-";
  } else {
    std::string name = host::TempFolder() + "/plughost-report-XXXXXX.log";
    int fd = ::mkstemps(name.data(), 4);
    if (fd < 0) return "cannot make a temporary file in " + host::TempFolder() + ": " + std::strerror(errno);
    ::close(fd);
    AtExit([name] { ::unlink(name.c_str()); });
    reportAnswer = name;
  }
  reportBefore = StateOf(reportAnswer);
  return "";
}

std::deque<Line> CheckRun::Steps() const {
  // --keep-standard stores the name even where the checker would fall back to it.
  const std::string stored = options.keepStandard ? StoredStandard() : UsedStandard(StoredStandard());
  bool choose = options.hasStandard && stored != options.standard;
  std::deque<Line> lines;
  for (const std::string& text : CheckSteps(options, reportAnswer, choose)) {
    // No wizard: the check gave no verdict, whatever stopped it.
    std::string stopAs = text == "expect dialog 137 138" ? "the check gave no verdict" : "";
    lines.push_back(Line{text, "check step " + std::to_string(lines.size() + 1), stopAs});
  }
  return lines;
}

void CheckRun::Announce(Session& session) const {
  if (!standardLine.empty()) session.transcript().Event(standardLine);
}

void CheckRun::Start(Session& session) const {
  session.Append(Steps());
  // The report's temporary file is the host's business, not the user's.
  if (options.report == "-") {
    std::string end = " -> " + Escaped(reportAnswer);
    session.transcript().Omit([end](const std::string& line) {
      return line.compare(0, 6, "FILE: ") == 0 && EndsWith(line, end);
    });
  }
}

int CheckRun::Finish(Session& session, bool documentChanged, std::string* fault) const {
  if (documentChanged && options.output.empty() && (options.fix || options.removeTags))
    session.transcript().Event("UNSAVED: the changes were not saved; give --output to keep them");
  if (!options.report.empty()) {
    FileState after = StateOf(reportAnswer);
    if (!after.exists || after == reportBefore) {
      *fault = "no report was written to " + (options.report == "-" ? std::string("standard output") : reportAnswer);
      return 2;
    }
    if (options.report == "-") {
      std::ifstream in(reportAnswer, std::ios::binary);
      std::cout << in.rdbuf() << std::flush;
    }
  }
  int status = VerdictStatus(session.transcript().Verdict());
  if (status == 2) *fault = "the check gave no verdict";
  return status;
}

}  // namespace plughost
