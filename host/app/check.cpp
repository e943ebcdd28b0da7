#include "app/check.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>

#include <qpdf/QPDF.hh>

#include "app/steps.h"
#include "core/host.h"
#include "cos/filesource.h"
#include "support/filesys.h"
#include "win/registry.h"

namespace plughost {

const char kCheckMenu[] = "Zent:PDFXCorvane3:Check";
const char kStandardKey[] = "Software\\Zentu\\PDF/X Corvane 3\\Current_Version";
const char kStandardValue[] = "conformance";
const char kFirstStandard[] = "PDF/X-1a:2001";
const char kUnsavedLine[] = "UNSAVED: the changes were not saved; give --output to keep them";

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string CurrentFolder() {
  char buf[PATH_MAX];
  return ::getcwd(buf, sizeof buf) ? buf : ".";
}

bool SameFile(const std::string& a, const std::string& b) { return host::SameFile(a, b); }

long long Nanoseconds(const timespec& t) { return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec; }

// Copies one file; on a failure `why` names the file that failed, the
// source or the copy, and the system's reason.
bool CopyFile(const std::string& from, const std::string& to, mode_t mode, std::string* why) {
  auto fail = [&](const std::string& path) {
    *why = path + ": " + std::strerror(errno);
    return false;
  };
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return fail(from);
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (out < 0) {
    fail(to);
    ::close(in);
    return false;
  }
  bool ok = true;
  char buf[65536];
  while (ok) {
    ssize_t n = ::read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) break;
    if (n < 0) {
      ok = fail(from);
      break;
    }
    for (ssize_t done = 0; ok && done < n;) {
      ssize_t w = ::write(out, buf + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        if (w == 0) errno = ENOSPC;
        ok = fail(to);
      }
      done += w > 0 ? w : 0;
    }
  }
  ::close(in);
  if (ok && ::fchmod(out, mode & 07777) != 0) ok = fail(to);
  if (::close(out) != 0 && ok) ok = fail(to);
  return ok;
}

// Copies what the folder `from` holds into the existing folder `to`:
// folders, files and symbolic links, with their modes; nothing else. The
// copy's own folder (`root`), which may lie inside `from`, is passed over.
bool CopyInto(const std::string& from, const std::string& to, const struct stat& root, std::string* why) {
  DIR* dir = ::opendir(from.c_str());
  if (!dir) {
    *why = from + ": " + std::strerror(errno);
    return false;
  }
  bool ok = true;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    // Another run's file being replaced is no setting: a hive is renamed
    // into place whole, so what stands at its name is always complete. Nor
    // is the folder's lock, which may be another user's: the copy takes its own.
    if (name == "." || name == ".." || name == ".lock" || name.compare(0, 15, ".plughost-save-") == 0) continue;
    std::string source = from + "/" + name, target = to + "/" + name;
    struct stat st {};
    bool done = ::lstat(source.c_str(), &st) == 0;
    if (!done && errno == ENOENT) continue;  // gone meanwhile
    if (done && S_ISDIR(st.st_mode) && st.st_dev == root.st_dev && st.st_ino == root.st_ino) continue;
    if (!done) {
      *why = source + ": " + std::strerror(errno);
    } else if (S_ISDIR(st.st_mode)) {
      done = ::mkdir(target.c_str(), 0700) == 0;
      if (!done) *why = target + ": " + std::strerror(errno);
      done = done && CopyInto(source, target, root, why);
      if (done && ::chmod(target.c_str(), st.st_mode & 07777) != 0) {
        *why = target + ": " + std::strerror(errno);
        done = false;
      }
    } else if (S_ISREG(st.st_mode)) {
      done = CopyFile(source, target, st.st_mode, why);
    } else if (S_ISLNK(st.st_mode)) {
      char link[PATH_MAX];
      ssize_t n = ::readlink(source.c_str(), link, sizeof link - 1);
      done = n >= 0;
      if (!done) *why = source + ": " + std::strerror(errno);
      if (done && ::symlink(std::string(link, static_cast<size_t>(n)).c_str(), target.c_str()) != 0) {
        *why = target + ": " + std::strerror(errno);
        done = false;
      }
    }
    if (!done) {
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
    // Through the host's block source: the library's own reads a block
    // again for each line of a cross-reference table.
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "";
    auto source = std::make_shared<host::BlockFileSource>(file, fd);
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processInputSource(source, password ? password->c_str() : nullptr);
    QPDFObjectHandle info = pdf.getTrailer().getKey("/Info");
    if (!info.isDictionary()) return "";
    auto text = [&](const char* key) {
      QPDFObjectHandle value = info.getKey(key);
      return value.isString() ? value.getUTF8Value() : std::string();
    };
    const std::string version = text("/GTS_PDFXVersion"), conformance = text("/GTS_PDFXConformance");
    // A later revision of a family is checked as the family's standard.
    if (version == "PDF/X-3:2002" || version == "PDF/X-3:2003") {
      *claim = version;
      return "PDF/X-3";
    }
    if (conformance == "PDF/X-1a:2001" || version == "PDF/X-1:2001" || version == "PDF/X-1a:2003") {
      *claim = conformance == "PDF/X-1a:2001" ? conformance : version;
      return kFirstStandard;
    }
    *claim = version.empty() ? conformance : version;
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

std::string FolderFault(const std::string& folder, const std::string& what) {
  struct stat st {};
  std::string why;
  if (::stat(folder.c_str(), &st) != 0)
    why = std::strerror(errno);
  else if (!S_ISDIR(st.st_mode))
    why = "not a folder";
  else if (::access(folder.c_str(), W_OK | X_OK) != 0)
    why = std::strerror(errno);
  return why.empty() ? "" : "cannot write " + what + " into " + folder + ": " + why;
}

std::string ReportFolderFault(const std::string& folder) { return FolderFault(folder, "the report"); }

std::string FileFolderFault(const std::string& path, const std::string& what) {
  std::string folder = AbsoluteFile(path);
  folder.erase(folder.rfind('/'));
  return FolderFault(folder.empty() ? "/" : folder, what);
}

std::string OutputFault(const std::string& output) {
  if (!output.empty() && (!EndsWith(output, ".pdf") || output.size() == 4 || EndsWith(output, "/.pdf")))
    return "--output " + output + ": the name must end in \".pdf\"";
  return "";
}

std::string CheckFault(const CheckOptions& o) {
  if (o.file.empty()) return "check needs the PDF file to check";
  std::string fault = OutputFault(o.output);
  if (!fault.empty()) return fault;
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

const int kUnsavedVerdictExit = 16;

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

namespace {

// What a run leaves in the temporary folder is named with its process id,
// so that the next run can tell the leftovers of a run that is gone.
const char kScratchPrefix[] = "plughost-settings-";
const char kReportPrefix[] = "plughost-report-";

const char kSavePrefix[] = ".plughost-save-";

// Set before the signal handlers may read them, and only then flagged.
char gScratch[PATH_MAX];
char gReport[PATH_MAX];
char gReportFolder[PATH_MAX];
char gOwnSaves[64];  // the names of this run's save temporaries begin so
volatile sig_atomic_t gHaveScratch = 0, gHaveReport = 0, gHaveReportFolder = 0;

struct Dirent64 {
  uint64_t ino;
  int64_t off;
  unsigned short reclen;
  unsigned char type;
  char name[1];
};

// Removes `name` under `dirfd`, a folder with all it holds; async-signal-
// safe (no allocation, no stdio), so a signal handler may call it.
void RemoveAt(int dirfd, const char* name, int depth) {
  if (::unlinkat(dirfd, name, 0) == 0 || errno == ENOENT) return;
  int fd = depth < 16 ? ::openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC) : -1;
  if (fd >= 0) {
    // Entries move as others go: read again until a pass finds none.
    for (int pass = 0; pass < 8; ++pass) {
      alignas(8) char buf[4096];
      bool any = false;
      long n;
      while ((n = ::syscall(SYS_getdents64, fd, buf, sizeof buf)) > 0) {
        for (long at = 0; at < n;) {
          const Dirent64* e = reinterpret_cast<const Dirent64*>(buf + at);
          at += e->reclen;
          if (e->name[0] == '.' && (e->name[1] == 0 || (e->name[1] == '.' && e->name[2] == 0))) continue;
          any = true;
          RemoveAt(fd, e->name, depth + 1);
        }
      }
      if (!any) break;
      ::lseek(fd, 0, SEEK_SET);
    }
    ::close(fd);
  }
  ::unlinkat(dirfd, name, AT_REMOVEDIR);
}

// Removes this run's save temporaries from `folder` (the report's, which the
// checker writes through one); async-signal-safe.
void RemoveOwnSaves(const char* folder) {
  int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  const size_t length = std::strlen(gOwnSaves);
  alignas(8) char buf[4096];
  long n;
  while ((n = ::syscall(SYS_getdents64, fd, buf, sizeof buf)) > 0) {
    for (long at = 0; at < n;) {
      const Dirent64* e = reinterpret_cast<const Dirent64*>(buf + at);
      at += e->reclen;
      if (std::strncmp(e->name, gOwnSaves, length) == 0) ::unlinkat(fd, e->name, 0);
    }
  }
  ::close(fd);
}

void OnEndingSignal(int sig) {
  int saved = errno;
  if (gHaveReportFolder) RemoveOwnSaves(gReportFolder);
  if (gHaveReport) ::unlink(gReport);
  if (gHaveScratch) RemoveAt(AT_FDCWD, gScratch, 0);
  host::RemoveTempFilesNow();  // the plug-ins' scratch files
  errno = saved;
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

const int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};


void Remember(char* slot, volatile sig_atomic_t* flag, const std::string& path) {
  if (path.size() >= PATH_MAX) return;
  std::memcpy(slot, path.c_str(), path.size() + 1);
  *flag = 1;
  CatchEndingSignals();
}

// The process id in a leftover's name after `prefix`, or 0.
pid_t OwnerOf(const std::string& name, const char* prefix) {
  size_t n = std::strlen(prefix);
  if (name.compare(0, n, prefix) != 0) return 0;
  char* end = nullptr;
  long pid = std::strtol(name.c_str() + n, &end, 10);
  return pid > 0 && pid <= INT_MAX && *end == '-' ? static_cast<pid_t>(pid) : 0;
}

}  // namespace

void CatchEndingSignals() {
  static bool done = false;
  if (done) return;
  done = true;
  struct sigaction action {};
  action.sa_handler = &OnEndingSignal;
  sigemptyset(&action.sa_mask);
  for (int sig : kEndingSignals) sigaddset(&action.sa_mask, sig);
  for (int sig : kEndingSignals) {
    struct sigaction old {};
    // A signal the caller ignores (nohup) stays ignored.
    if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    ::sigaction(sig, &action, nullptr);
  }
}

void SweepLeftovers(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    pid_t owner = OwnerOf(name, kScratchPrefix);
    if (!owner) owner = OwnerOf(name, kReportPrefix);
    if (!owner) owner = OwnerOf(name, kSavePrefix);
    if (!owner) owner = host::TempFileOwner(name);
    if (!owner || owner == ::getpid() || ::kill(owner, 0) == 0 || errno != ESRCH) continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || st.st_uid != ::geteuid()) continue;
    RemoveAt(::dirfd(dir), e->d_name, 0);
  }
  ::closedir(dir);
}

std::string CopySettings(const std::string& from, std::string* why) {
  host::EndingSignalsBlocked held;
  std::string tmpl = host::TempFolder() + "/" + kScratchPrefix + std::to_string(::getpid()) + "-XXXXXX";
  if (!::mkdtemp(tmpl.data())) {
    *why = "cannot make a folder in " + host::TempFolder() + ": " + std::strerror(errno);
    return "";
  }
  Remember(gScratch, &gHaveScratch, tmpl);
  struct stat st {};
  if (::stat(from.c_str(), &st) != 0 && errno == ENOENT) return tmpl;
  why->clear();
  struct stat root {};
  ::stat(tmpl.c_str(), &root);
  if (!CopyInto(from, tmpl, root, why)) {
    // What of the settings cannot be read is said as wherever the settings
    // fail; a copy that cannot be written is the temporary folder's.
    auto under = [&](const std::string& folder) {
      return why->compare(0, folder.size(), folder) == 0 && why->size() > folder.size() &&
             ((*why)[folder.size()] == ':' || (*why)[folder.size()] == '/');
    };
    if (!under(tmpl) && under(from))
      *why = "the settings folder " + from + " cannot be read: " +
             (why->compare(from.size(), 2, ": ") == 0 ? why->substr(from.size() + 2) : *why);
    else
      *why = "cannot copy the settings folder " + from + ": " + *why;
    RemoveTree(tmpl);
    return "";
  }
  return tmpl;
}

void RemoveTree(const std::string& path) {
  if (!path.empty()) ::nftw(path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

std::string UseScratchSettings() {
  std::string why;
  const std::string real = host::reg::SettingsFolder();
  const std::string scratch = CopySettings(real, &why);
  if (scratch.empty()) return why;
  AtExit([scratch] { RemoveTree(scratch); });
  ::setenv("PLUGHOST_HOME", scratch.c_str(), 1);
  host::reg::UseThrowawayCopy(scratch, real);
  return "";
}

std::string CheckRun::Prepare() {
  failedAllocations = host::FailedAllocations();
  SweepLeftovers(host::TempFolder());
  CatchEndingSignals();
  // Without --standard the file's own claim chooses, on a copy of the
  // settings as --standard does; else the stored standard, as it is.
  if (!options.hasStandard) {
    std::string claim;
    std::string name = ClaimedStandard(options.file, options.hasPassword ? &options.password : nullptr, &claim);
    if (name.empty()) {
      const std::string stored = StoredStandard();
      standardLine = "STANDARD: " + UsedStandard(stored) +
                     (!claim.empty()   ? " (the file claims " + Escaped(claim) + ", which is not checked here)"
                      : stored.empty() ? " (the default: none stored)"
                                       : " (stored)");
    } else {
      options.standard = name;
      options.hasStandard = true;
      standardLine = "STANDARD: " + name + " (the file claims " + claim + ")";
    }
  }
  if (options.hasStandard) {
    // Also with --keep-standard: a run checks against the standard it was
    // given, whatever other runs store meanwhile; NAME is stored at the end.
    settingsFolder = host::reg::SettingsFolder();
    std::string why = UseScratchSettings();
    if (!why.empty()) return why;
  }
  if (options.report.empty()) return "";
  if (options.report != "-") {
    reportAnswer = ReportFile(options.report);
  } else if (options.printScript) {
    reportAnswer = "-";
  } else {
    host::EndingSignalsBlocked held;
    std::string name = host::TempFolder() + "/" + kReportPrefix + std::to_string(::getpid()) + "-XXXXXX.log";
    int fd = ::mkstemps(name.data(), 4);
    if (fd < 0) return "cannot make a temporary file in " + host::TempFolder() + ": " + std::strerror(errno);
    ::close(fd);
    Remember(gReport, &gHaveReport, name);
    AtExit([name] { ::unlink(name.c_str()); });
    reportAnswer = name;
  }
  reportBefore = StateOf(reportAnswer);
  // The checker writes the report through a temporary file beside the file
  // it names (through its links), a save into that folder like any other.
  char real[PATH_MAX];
  const std::string written = ::realpath(reportAnswer.c_str(), real) ? std::string(real) : reportAnswer;
  const std::string folder = written.substr(0, std::max<size_t>(written.rfind('/'), 1));
  host::RemoveStaleSaves(folder);
  const std::string own = kSavePrefix + std::to_string(::getpid()) + "-";
  if (reportAnswer[0] == '/' && folder.size() < PATH_MAX && own.size() < sizeof gOwnSaves) {
    host::EndingSignalsBlocked held;
    std::memcpy(gOwnSaves, own.c_str(), own.size() + 1);
    std::memcpy(gReportFolder, folder.c_str(), folder.size() + 1);
    gHaveReportFolder = 1;
  }
  return "";
}

std::deque<Line> CheckRun::Steps() const {
  bool choose = options.hasStandard && UsedStandard(StoredStandard()) != options.standard;
  std::deque<Line> lines;
  int wizards = 0;
  bool closed = false;
  for (const std::string& text : CheckSteps(options, reportAnswer, choose)) {
    // No wizard: the check gave no verdict, whatever stopped it.
    std::string stopAs = text == "expect dialog 137 138" ? "the check gave no verdict" : "";
    Line line{text, "check step " + std::to_string(lines.size() + 1), stopAs};
    if (text == "expect dialog 137 138") ++wizards;
    // Once the last wizard is up, until it is closed: a step that finds it
    // gone tells what ended it.
    const bool last = wizards == (choose ? 2 : 1);
    if (last && !closed && stopAs.empty()) {
      line.stopAs = "the check ended without a verdict";
      line.stopAsWithoutDialog = true;
    }
    if (last && (text == "press 1" || text == "  press 1")) closed = true;
    lines.push_back(line);
  }
  return lines;
}

void CheckRun::Announce(Session& session) const {
  if (!standardLine.empty()) session.transcript().Event(standardLine);
}

bool CheckRun::MemoryRanOut() const { return host::FailedAllocations() > failedAllocations; }

std::string CheckRun::NoVerdict() const {
  return MemoryRanOut() ? "the check gave no verdict: there is not enough memory" : "the check gave no verdict";
}

void CheckRun::Start(Session& session) const {
  session.Append(Steps());
  session.OnStop([this, &session](std::string* reason) {
    const int verdict = VerdictStatus(session.transcript().Verdict());
    // The step the stop stood at, where the session tells it (--verbose).
    const size_t step = reason->rfind(" (check step ");
    const std::string where = step != std::string::npos && reason->back() == ')' ? reason->substr(step) : "";
    const std::string stop = reason->substr(0, reason->size() - where.size());
    if (verdict == 2) {
      // Memory that ran out on the way is why, whatever step of the check
      // found the verdict missing.
      if (MemoryRanOut() && stop.compare(0, 10, "the check ") == 0) *reason = NoVerdict() + where;
      return 2;
    }
    const host::SaveFailure& failed = host::LastSaveFailure();
    if (failed.reason.empty()) return 2;
    *reason = "the verdict stands, but saving " + failed.path + " failed: " + failed.reason + where;
    const std::string missing = ReportMissing();
    if (!missing.empty())
      *reason += "; " + missing;
    else if (options.report == "-")
      PrintReport();
    return oneOfSeveral ? kUnsavedVerdictExit + verdict : 2;
  });
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
    session.transcript().Event(kUnsavedLine);
  const std::string missing = ReportMissing();
  if (!missing.empty()) {
    *fault = missing;
    return 2;
  }
  if (options.report == "-") PrintReport();
  const std::string verdict = session.transcript().Verdict();
  int status = VerdictStatus(verdict);
  if (status == 2) {
    *fault = NoVerdict();
    return 2;
  }
  if (options.hasStandard && verdict.find(" " + options.standard + " file") == std::string::npos) {
    *fault = "the check was not against " + options.standard;
    return 2;
  }
  if (options.keepStandard) {
    std::string why = StoreStandard();
    if (!why.empty()) {
      *fault = "the standard was not stored: " + why;
      return 2;
    }
  }
  if (!host::LastSaveFailure().reason.empty()) {
    *fault = "the document was not saved";  // the stop says it in full
    return 2;
  }
  return status;
}

std::string CheckRun::ReportMissing() const {
  if (options.report.empty()) return "";
  const FileState after = StateOf(reportAnswer);
  if (after.exists && !(after == reportBefore)) return "";
  return "no report was written to " + (options.report == "-" ? std::string("standard output") : reportAnswer);
}

void CheckRun::PrintReport() const {
  std::ifstream in(reportAnswer, std::ios::binary);
  std::cout << in.rdbuf() << std::flush;
}

std::string CheckRun::StoreStandard() const {
  // Into the settings folder itself now: the one value, into the key as
  // stored under the lock, so the others stay as they are.
  ::setenv("PLUGHOST_HOME", settingsFolder.c_str(), 1);
  host::reg::KeyChanges change;
  change.Set(kStandardValue, winRegSz, options.standard + '\0');
  ASInt32 code = host::reg::UpdateKey(winHiveCurrentUser, kStandardKey, change);
  return code == 0 ? "" : host::reg::SystemErrorText(code);
}

}  // namespace plughost
