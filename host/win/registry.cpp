// The registry stand-in over text files. Each hive is read whole for every
// operation and written whole through a temporary file renamed over the old
// one, under a lock, so that a failed write never leaves half a file and two
// processes never lose each other's keys (nor, through updates, each other's
// values); without the lock nothing is written.
#include "win/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
#include <vector>

#include "core/host.h"
#include "host/errors.h"
#include "support/filesys.h"

namespace host {
namespace reg {
namespace {

const char kHeader[] = "plughost registry 1";
const size_t kMaxHiveBytes = 64u << 20;  // anything bigger is not ours

int gFailNextWrite = 0;

// A run's throwaway copy of the settings (removed at its end): its hives are
// read from the copy once and then kept here, never written back, since
// nothing reads the copy but this process.
struct Throwaway {
  std::string copy, real;               // settings folders
  std::map<std::string, Hive> hives;  // by file
};

Throwaway& Copy() {
  static auto* copy = new Throwaway;
  return *copy;
}

bool InThrowaway() { return !Copy().copy.empty() && SettingsFolder() == Copy().copy; }

// Notes told before anyone can show them (the settings read before a run's
// session starts), kept for ShowHeldNotes.
std::vector<std::string>& Held() {
  static auto* held = new std::vector<std::string>;
  return *held;
}

// Damaged files already reported in this process (a file that could not be
// set aside would otherwise be reported on every access).
std::set<std::string>& Reported() {
  static auto* reported = new std::set<std::string>;
  return *reported;
}

// Quoted texts: bytes that would break a line or a quote are written %XX;
// everything else, "\" included, stands as it is.
std::string Escape(const std::string& text, const char* extra) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7f || c == '%' || c == '"' || std::strchr(extra, c)) {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool Unescape(const std::string& text, std::string* out) {
  out->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      *out += text[i];
      continue;
    }
    int hi = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
    int lo = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
    if (hi < 0 || lo < 0) return false;
    *out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return true;
}

// Reads a quoted text at `pos`; afterwards `pos` is past the closing quote.
bool ReadQuoted(const std::string& line, size_t* pos, std::string* out) {
  if (*pos >= line.size() || line[*pos] != '"') return false;
  size_t end = line.find('"', *pos + 1);
  if (end == std::string::npos) return false;
  if (!Unescape(line.substr(*pos + 1, end - *pos - 1), out)) return false;
  *pos = end + 1;
  return true;
}

bool TextForm(const Value& v) {
  // A text with exactly one zero, its terminator, is written readably.
  return v.type == winRegSz && !v.data.empty() && v.data.find('\0') == v.data.size() - 1;
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  if (passwd* pw = ::getpwuid(::geteuid()))
    if (pw->pw_dir && *pw->pw_dir) return pw->pw_dir;
  return "";
}

std::string RegistryFolder() { return SettingsFolder() + "/registry"; }

// The last read or write of the settings that failed for a system reason:
// the path it failed on and the error, with the code it was answered as.
struct Failure {
  ASInt32 code = winErrSuccess;
  bool writing = false;
  std::string folder, path;
  int err = 0;
};

Failure& LastFailure() {
  static auto* failure = new Failure;
  return *failure;
}

// Notes the failure and answers its code.
ASInt32 Failed(bool writing, const std::string& path, int err) {
  Failure& f = LastFailure();
  f.code = FromErrno(err);
  f.writing = writing;
  f.folder = InThrowaway() ? Copy().real : SettingsFolder();
  f.path = path;
  f.err = err;
  return f.code;
}

// Creates the folder and the ones above it that are missing, each 0700;
// `where` takes the one that stood in the way.
int MakeFolders(const std::string& path, std::string* where) {
  *where = path;
  if (path.empty()) return ENOENT;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
  size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    int err = MakeFolders(path.substr(0, slash), where);
    if (err) return err;
    *where = path;
  }
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return errno;
  return 0;
}

// The registry folder, made 0700 when missing and closed to others when
// open to them (a folder its owner made read-only stays so); 0, or the
// failure's code.
ASInt32 PrepareFolder() {
  std::string folder = RegistryFolder(), where;
  if (int err = MakeFolders(folder, &where)) return Failed(true, where, err);
  struct stat st;
  if (::stat(folder.c_str(), &st) != 0) return Failed(true, folder, errno);
  if ((st.st_mode & 077) != 0 && st.st_uid == ::geteuid() && ::chmod(folder.c_str(), st.st_mode & 0700) != 0)
    return Failed(true, folder, errno);
  return winErrSuccess;
}

// An exclusive lock on the registry folder for one read or read-modify-write.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder = RegistryFolder()) : folder_(folder) {
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0) {
      err_ = errno;  // nothing written yet: nothing to guard for a reader
      return;
    }
    fd_ = ::open((folder + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
      err_ = errno;
      return;
    }
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      err_ = errno;
      ::close(fd_);
      fd_ = -1;
      return;
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool held() const { return fd_ >= 0; }
  // For a writer: the failure, with what stood in the way.
  ASInt32 Refusal() const {
    SetFailureDetail(folder_ + "/.lock: " + std::strerror(err_));
    return fileErrSettingsLock;
  }

 private:
  std::string folder_;
  int fd_ = -1;
  int err_ = 0;
};

enum class ReadResult { Missing, Read, Failed };

ReadResult ReadWhole(const std::string& path, std::string* text, int* err) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *err = errno;
    return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
  }
  struct stat st;
  int statErr = ::fstat(fd, &st) == 0 ? 0 : errno;
  if (statErr || !S_ISREG(st.st_mode)) {
    *err = statErr ? statErr : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    return ReadResult::Failed;
  }
  text->clear();
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *err = errno;
      ::close(fd);
      return ReadResult::Failed;
    }
    if (n == 0) break;
    text->append(buf, static_cast<size_t>(n));
    if (text->size() > kMaxHiveBytes) break;  // Parse refuses it
  }
  ::close(fd);
  return ReadResult::Read;
}

std::string Stamp() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  ::localtime_r(&now, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
  return buf;
}

// Moves a damaged file to a fresh name beside it; answers that name, or
// empty with errno set.
std::string SetAside(const std::string& path) {
  std::string base = path + ".damaged-" + Stamp();
  for (int n = 0; n < 1000; ++n) {
    std::string target = n == 0 ? base : base + "-" + std::to_string(n);
    // link() never replaces an existing file; fall back to a checked rename
    // where hard links are not offered.
    if (::link(path.c_str(), target.c_str()) == 0) {
      if (::unlink(path.c_str()) != 0) {
        int err = errno;
        ::unlink(target.c_str());
        errno = err;
        return "";
      }
      return target;
    }
    if (errno == EEXIST) continue;
    if (errno != EPERM && errno != EXDEV && errno != ENOTSUP && errno != EMLINK) return "";
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0) continue;
    if (::rename(path.c_str(), target.c_str()) == 0) return target;
    return "";
  }
  errno = EEXIST;
  return "";
}

std::string Identity(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return path;
  return path + "|" + std::to_string(st.st_ino) + "|" + std::to_string(st.st_size) + "|" +
         std::to_string(st.st_mtime);
}

void Note(const std::string& text) {
  if (!AlertsShown()) {
    Held().push_back(text);
    return;
  }
  AlertRequest r;
  r.kind = 0;
  r.message = text;
  r.buttons = {"OK"};
  ShowAlert(r);
}

std::string LastPart(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// A damaged hive file `path` (`why`): set aside, and the hive starts empty.
// In a throwaway copy it is the settings folder's own file that is damaged
// and set aside, and the note names it; the copy's goes too. Answers
// whether it could be set aside.
bool SetAsideDamaged(const std::string& path, const std::string& why) {
  std::string damaged = path;
  if (InThrowaway()) {
    damaged = Copy().real + "/registry/" + LastPart(path);
    ::unlink(path.c_str());
  }
  std::string identity = Identity(damaged);
  std::string aside;
  if (damaged == path) {
    aside = SetAside(damaged);  // under the caller's lock
  } else {
    FolderLock lock(damaged.substr(0, damaged.rfind('/')));
    std::string text, again;
    int err = 0;
    // Still as it was copied: no other run set it aside or wrote it meanwhile.
    Hive kept;
    if (ReadWhole(damaged, &text, &err) != ReadResult::Read || Parse(text, &kept, &again)) return true;
    aside = SetAside(damaged);
  }
  if (!aside.empty()) {
    Note("The registry file \"" + damaged + "\" is damaged (" + why + "). It was set aside as \"" + aside +
         "\" and its settings start empty.");
    return true;
  }
  std::string reason = std::strerror(errno);
  if (Reported().insert(identity).second)
    Note("The registry file \"" + damaged + "\" is damaged (" + why + ") and could not be set aside (" + reason +
         "). It was left as it is; its settings can be neither read nor written.");
  return false;
}


// Reads and parses under the caller's lock; a throwaway copy's hive from
// what this process holds of it, after the first read.
ASInt32 ReadLocked(ASInt32 hive, Hive* out) {
  out->clear();
  std::string path = HiveFile(hive);
  if (path.empty()) return winErrInvalidParameter;
  const bool throwaway = InThrowaway();
  if (throwaway) {
    auto kept = Copy().hives.find(path);
    if (kept != Copy().hives.end()) {
      *out = kept->second;
      return winErrSuccess;
    }
  }
  std::string text;
  int err = 0;
  switch (ReadWhole(path, &text, &err)) {
    case ReadResult::Missing:
      break;
    case ReadResult::Failed:
      return Failed(false, path, err);
    case ReadResult::Read: {
      std::string why;
      if (Parse(text, out, &why)) break;
      out->clear();
      if (!SetAsideDamaged(path, why)) return winErrBadDB;
      break;
    }
  }
  if (throwaway) Copy().hives[path] = *out;
  return winErrSuccess;
}

std::map<std::pair<ASInt32, std::string>, ASInt32>& WriteStatus() {
  static auto* status = new std::map<std::pair<ASInt32, std::string>, ASInt32>;
  return *status;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  size_t limit = text.size();
  int injected = gFailNextWrite;
  gFailNextWrite = 0;
  if (injected) limit /= 2;  // part of the file reaches the disk, then the failure
  if (int err = WriteFully(fd, text.data() + done, limit - done)) {
    errno = err;
    return false;
  }
  if (injected) {
    errno = injected;
    return false;
  }
  return true;
}

// Reads the hive under the folder's lock, lets `change` change it, and writes
// it whole when `change` answers true.
template <class Change>
ASInt32 ChangeKey(ASInt32 hive, const std::string& path, Change&& change) {
  std::string file = HiveFile(hive);
  if (file.empty() || path.empty()) return winErrInvalidParameter;
  if (InThrowaway()) {
    Hive current;
    ASInt32 status = ReadLocked(hive, &current);
    if (status == winErrSuccess && change(&current)) Copy().hives[file] = std::move(current);
    return status;
  }
  if (ASInt32 status = PrepareFolder()) return status;
  // Another user's folder is told as such, not as a lock it cannot take.
  if (::access(RegistryFolder().c_str(), W_OK | X_OK) != 0) return Failed(true, RegistryFolder(), errno);
  FolderLock lock;
  if (!lock.held()) return lock.Refusal();
  Hive current;
  ASInt32 status = ReadLocked(hive, &current);
  if (status != winErrSuccess) return status;
  if (!change(&current)) return winErrSuccess;
  std::string text = Serialize(current);

  FileReplacement out;
  if (int err = out.Begin(file, FileReplacement::Mode::Private)) return Failed(true, RegistryFolder(), err);
  if (!WriteAll(out.fd(), text)) return Failed(true, file, errno ? errno : EIO);
  const int err = out.Commit();
  return err ? Failed(true, file, err) : winErrSuccess;
}

}  // namespace

const Value* Key::Find(const std::string& name) const {
  auto it = index_.find(name);
  return it == index_.end() ? nullptr : &values_[it->second];
}

bool Key::Set(const std::string& name, ASUns32 type, const std::string& data) {
  auto it = index_.find(name);
  if (it == index_.end()) return Add(Value{name, type, data});
  Value& v = values_[it->second];
  if (v.type == type && v.data == data) return false;
  v.type = type;
  v.data = data;
  return true;
}

bool Key::Add(Value value) {
  if (!index_.emplace(value.name, values_.size()).second) return false;
  values_.push_back(std::move(value));
  return true;
}

bool Key::Remove(const std::set<std::string>& names) {
  bool any = false;
  for (const std::string& name : names) any = any || index_.count(name);
  if (!any) return false;
  std::deque<Value> kept;
  index_.clear();
  for (Value& v : values_) {
    if (names.count(v.name)) continue;
    index_.emplace(v.name, kept.size());
    kept.push_back(std::move(v));
  }
  values_ = std::move(kept);
  return true;
}

void KeyChanges::Set(const std::string& name, ASUns32 type, const std::string& data) {
  removed_.erase(name);
  set_.Set(name, type, data);
}

void KeyChanges::Remove(const std::string& name) {
  set_.Remove({name});
  removed_.insert(name);
}

bool KeyChanges::ApplyTo(Key* key) const {
  bool changed = key->Remove(removed_);
  for (const Value& v : set_.values()) changed = key->Set(v.name, v.type, v.data) || changed;
  return changed;
}

std::string SettingsFolder() {
  const char* home = std::getenv("PLUGHOST_HOME");
  if (home && *home) return home;
  std::string user = HomeFolder();
  return user.empty() ? std::string() : user + "/.config/plughost";
}

std::string HiveFile(ASInt32 hive) {
  std::string folder = SettingsFolder();
  if (folder.empty()) return "";
  switch (hive) {
    case winHiveCurrentUser:
      return RegistryFolder() + "/current_user.txt";
    case winHiveClassesRoot:
      return RegistryFolder() + "/classes.txt";
    default:
      return "";
  }
}

std::string Serialize(const Hive& hive) {
  std::string out = std::string(kHeader) + "\n";
  for (const auto& entry : hive) {
    out += "\n[" + Escape(entry.first, "[]") + "]\n";
    if (!entry.second.className.empty()) out += "class \"" + Escape(entry.second.className, "") + "\"\n";
    for (const Value& v : entry.second.values()) {
      out += "\"" + Escape(v.name, "") + "\" ";
      if (TextForm(v)) {
        out += "sz \"" + Escape(v.data.substr(0, v.data.size() - 1), "") + "\"\n";
      } else {
        static const char hex[] = "0123456789abcdef";
        out += std::to_string(v.type) + " hex ";
        for (unsigned char c : v.data) {
          out += hex[c >> 4];
          out += hex[c & 15];
        }
        out += "\n";
      }
    }
  }
  return out;
}

bool Parse(const std::string& text, Hive* hive, std::string* why) {
  hive->clear();
  if (text.size() > kMaxHiveBytes) {
    *why = "larger than a registry file can be";
    return false;
  }
  Key* current = nullptr;
  size_t start = 0;
  for (int lineNo = 1; start < text.size() || lineNo == 1; ++lineNo) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) line.pop_back();
    auto fail = [&](const std::string& reason) {
      *why = "line " + std::to_string(lineNo) + ": " + reason;
      hive->clear();
      return false;
    };
    if (lineNo == 1) {
      if (line != kHeader) {
        *why = "it is not a plughost registry file";
        return false;
      }
      continue;
    }
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      if (close == std::string::npos || close + 1 != line.size()) return fail("bad key line");
      std::string path;
      if (!Unescape(line.substr(1, close - 1), &path) || path.empty()) return fail("bad key name");
      auto inserted = hive->emplace(path, Key());
      if (!inserted.second) return fail("the key \"" + path + "\" appears twice");
      current = &inserted.first->second;
      continue;
    }
    if (!current) return fail("a value outside any key");
    if (line.compare(0, 6, "class ") == 0) {
      size_t pos = 6;
      if (!ReadQuoted(line, &pos, &current->className) || pos != line.size()) return fail("bad class line");
      continue;
    }
    size_t pos = 0;
    std::string name;
    if (!ReadQuoted(line, &pos, &name)) return fail("unexpected text");
    auto add = [&](ASUns32 type, std::string data) {
      if (current->Add(Value{name, type, std::move(data)})) return true;
      return fail("the value \"" + name + "\" appears twice");
    };
    if (line.compare(pos, 4, " sz ") == 0) {
      pos += 4;
      std::string data;
      if (!ReadQuoted(line, &pos, &data) || pos != line.size()) return fail("bad text value");
      if (!add(winRegSz, data + '\0')) return false;
      continue;
    }
    if (pos >= line.size() || line[pos] != ' ') return fail("bad value");
    ++pos;
    size_t digits = pos;
    unsigned long long type = 0;
    while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9' && type <= 0xFFFFFFFFull) {
      type = type * 10 + static_cast<unsigned>(line[pos] - '0');
      ++pos;
    }
    if (pos == digits || type > 0xFFFFFFFFull) return fail("bad value type");
    if (line.compare(pos, 4, " hex") != 0) return fail("bad value");
    pos += 4;
    if (pos < line.size() && line[pos] == ' ') ++pos;
    std::string data;
    for (; pos < line.size(); pos += 2) {
      int hi = HexDigit(line[pos]);
      int lo = pos + 1 < line.size() ? HexDigit(line[pos + 1]) : -1;
      if (hi < 0 || lo < 0) return fail("bad hexadecimal data");
      data += static_cast<char>(hi * 16 + lo);
    }
    if (!add(static_cast<ASUns32>(type), std::move(data))) return false;
  }
  return true;
}

ASInt32 ReadHive(ASInt32 hive, Hive* out) {
  if (HiveFile(hive).empty()) return winErrInvalidParameter;
  if (InThrowaway()) return ReadLocked(hive, out);
  FolderLock lock;
  return ReadLocked(hive, out);
}

ASInt32 CheckWritable(ASInt32 hive) {
  if (HiveFile(hive).empty()) return winErrInvalidParameter;
  if (InThrowaway()) {
    Hive current;
    return ReadLocked(hive, &current);
  }
  if (ASInt32 status = PrepareFolder()) return status;
  if (::access(RegistryFolder().c_str(), W_OK | X_OK) != 0) return Failed(true, RegistryFolder(), errno);
  FolderLock lock;
  if (!lock.held()) return lock.Refusal();
  Hive current;
  return ReadLocked(hive, &current);
}

ASInt32 WriteKey(ASInt32 hive, const std::string& path, const Key& key) {
  return ChangeKey(hive, path, [&](Hive* current) {
    // A key written as it is stored changes nothing: no write.
    auto stored = current->find(path);
    auto same = [](const Value& a, const Value& b) { return a.name == b.name && a.type == b.type && a.data == b.data; };
    if (stored != current->end() && stored->second.className == key.className &&
        std::equal(stored->second.values().begin(), stored->second.values().end(), key.values().begin(),
                   key.values().end(), same))
      return false;
    (*current)[path] = key;
    return true;
  });
}

ASInt32 UpdateKey(ASInt32 hive, const std::string& path, const KeyChanges& changes) {
  return ChangeKey(hive, path, [&](Hive* current) {
    auto it = current->find(path);
    if (it != current->end()) return changes.ApplyTo(&it->second);
    Key& made = (*current)[path];
    made.className = changes.className;
    changes.ApplyTo(&made);
    return true;
  });
}

ASInt32 LastWriteStatus(ASInt32 hive, const std::string& path) {
  auto it = WriteStatus().find({hive, path});
  return it == WriteStatus().end() ? winErrSuccess : it->second;
}

void NoteWriteStatus(ASInt32 hive, const std::string& path, ASInt32 status) { WriteStatus()[{hive, path}] = status; }

ASInt32 FromErrno(int err) {
  switch (err) {
    case 0:
      return winErrSuccess;
    case ENOENT:
    case ENOTDIR:
      return winErrPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return winErrAccessDenied;
    case ENOSPC:
    case EDQUOT:
      return winErrDiskFull;
    case ENOMEM:
      return winErrNotEnoughMemory;
    default:
      return winErrRegistryIO;
  }
}

const char* ErrorText(ASInt32 code) {
  switch (code) {
    case winErrSuccess:
      return "The operation completed successfully.";
    case winErrFileNotFound:
      return "The system cannot find the file specified.";
    case winErrPathNotFound:
      return "The system cannot find the path specified.";
    case winErrAccessDenied:
      return "Access is denied.";
    case winErrInvalidHandle:
      return "The handle is invalid.";
    case winErrNotEnoughMemory:
      return "Not enough memory is available to process this command.";
    case winErrInvalidParameter:
      return "The parameter is incorrect.";
    case winErrDiskFull:
      return "There is not enough space on the disk.";
    case winErrNoMoreItems:
      return "No more data is available.";
    case winErrBadDB:
      return "The configuration registry database is corrupt.";
    case winErrRegistryIO:
      return "The registry could not read or write one of the files that hold it.";
    default:
      // Codes of ours carry the bit the system leaves to applications.
      return (code & 0x20000000) ? host::ErrorText(code) : "Unknown error.";
  }
}

std::string SystemErrorText(ASInt32 code) {
  const Failure& f = LastFailure();
  if (code == winErrSuccess || code != f.code) return ErrorText(code);
  return "the settings folder " + f.folder + " cannot be " + (f.writing ? "written" : "read") + ": " +
         (f.path == f.folder ? "" : f.path + ": ") + std::strerror(f.err);
}

void FailNextWrite(int err) { gFailNextWrite = err; }

void UseThrowawayCopy(const std::string& copy, const std::string& real) {
  Copy().copy = copy;
  Copy().real = real;
  Copy().hives.clear();
}

std::vector<std::string> TakeHeldNotes() {
  std::vector<std::string> held;
  held.swap(Held());
  return held;
}

void ShowHeldNotes() {
  for (const std::string& text : TakeHeldNotes()) Note(text);
}

}  // namespace reg
}  // namespace host
