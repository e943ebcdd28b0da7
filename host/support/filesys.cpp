#include "support/filesys.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "host/errors.h"

namespace host {
namespace {

const char kTempPrefix[] = ".plughost-save-";

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The process id in one of our temporary names, or 0 when it is not ours.
pid_t WriterOf(const char* name) {
  size_t n = sizeof kTempPrefix - 1;
  if (std::strncmp(name, kTempPrefix, n) != 0) return 0;
  const char* digits = name + n;
  char* end = nullptr;
  errno = 0;
  long pid = std::strtol(digits, &end, 10);
  if (!std::isdigit(static_cast<unsigned char>(*digits))) return 0;
  if (errno || *end != '-' || pid <= 0 || pid > INT_MAX) return 0;
  return static_cast<pid_t>(pid);
}

bool Gone(pid_t pid) { return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH; }

std::string RandomTail() {
  static const char chars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static std::mt19937 gen(std::random_device{}() ^ static_cast<unsigned>(::getpid()));
  std::string tail;
  for (int i = 0; i < 6; ++i) tail += chars[gen() % (sizeof chars - 1)];
  return tail;
}

// A path made absolute through the real path of its folder.
std::string ResolvedPath(const std::string& path) {
  char real[PATH_MAX];
  if (::realpath(path.c_str(), real)) return real;
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  if (!::realpath(folder.c_str(), real)) return path;
  const std::string base = real;
  return (base == "/" ? "" : base) + "/" + name;
}

struct StepFailure {
  FileStep step = FileStep::Write;
  long left = 0;  // steps of that kind still to pass; the next one fails
  int err = 0;
  bool read = false;
};

StepFailure& Failure() {
  static StepFailure f;
  if (!f.read) {
    f.read = true;
    // "write:N:ENOSPC": the hook of a whole run, for tests of the command.
    if (const char* spec = std::getenv("PLUGHOST_FAIL_FILE")) {
      char kind[16] = {}, code[16] = {};
      long nth = 0;
      if (std::sscanf(spec, "%15[a-z]:%ld:%15[A-Z]", kind, &nth, code) == 3 && nth > 0) {
        std::string k = kind, c = code;
        int err = c == "ENOSPC" ? ENOSPC : c == "EIO" ? EIO : c == "EDQUOT" ? EDQUOT : c == "ENOMEM" ? ENOMEM : 0;
        FileStep step = k == "flush" ? FileStep::Flush : k == "close" ? FileStep::Close
                        : k == "sync" ? FileStep::Sync : FileStep::Write;
        if (err && (k == "write" || k == "flush" || k == "close" || k == "sync")) {
          f.step = step;
          f.left = nth - 1;
          f.err = err;
        }
      }
    }
  }
  return f;
}

// The injected failure of this step, or 0.
int Injected(FileStep step) {
  StepFailure& f = Failure();
  if (!f.err || f.step != step) return 0;
  if (f.left-- > 0) return 0;
  int err = f.err;
  f.err = 0;
  return err;
}

// Fixed slots, so that a signal handler can read them without allocating.
const int kTempSlots = 32;
char gTempPaths[kTempSlots][PATH_MAX];
volatile sig_atomic_t gTempUsed[kTempSlots];

}  // namespace

int FollowLinks(const std::string& path, std::string* target) {
  *target = path;
  struct stat st;
  for (int hops = 0; ::lstat(target->c_str(), &st) == 0 && S_ISLNK(st.st_mode); ++hops) {
    char next[PATH_MAX];
    ssize_t n = hops < 40 ? ::readlink(target->c_str(), next, sizeof next) : -1;
    if (n < 0 || n == static_cast<ssize_t>(sizeof next)) return hops < 40 && n < 0 ? errno : ELOOP;
    std::string link(next, static_cast<size_t>(n));
    *target = link[0] == '/' ? link : FolderOf(*target) + "/" + link;
  }
  return 0;
}

std::string LandingKey(const std::string& path) {
  std::string target;
  FollowLinks(path, &target);
  struct stat st;
  auto key = [&](const std::string& name) {
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + (name.empty() ? "" : "/" + name);
  };
  if (::stat(target.c_str(), &st) == 0) return key("");
  const size_t slash = target.rfind('/');
  const std::string name = target.substr(slash == std::string::npos ? 0 : slash + 1);
  if (!name.empty() && name != "." && name != ".." && ::stat(FolderOf(target).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
    return key(name);
  return "?" + ResolvedPath(target);
}

bool SameFile(const std::string& a, const std::string& b) { return LandingKey(a) == LandingKey(b); }

void RemoveStaleSaves(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (dirent* entry = ::readdir(dir)) {
    pid_t writer = WriterOf(entry->d_name);
    if (!writer) continue;
    struct stat st;
    if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
        st.st_uid != ::geteuid() || !Gone(writer))
      continue;
    ::unlinkat(::dirfd(dir), entry->d_name, 0);
  }
  ::closedir(dir);
}

std::string ExecutablePath() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

std::string ExecutableFolder() {
  const std::string path = ExecutablePath();
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string TempFileTag() { return "-plughost" + std::to_string(::getpid()) + "-"; }

pid_t TempFileOwner(const std::string& name) {
  size_t at = name.rfind("-plughost");
  if (at == std::string::npos) return 0;
  const char* digits = name.c_str() + at + 9;
  char* end = nullptr;
  long pid = std::strtol(digits, &end, 10);
  if (!std::isdigit(static_cast<unsigned char>(*digits)) || *end != '-' || std::strlen(end) != 7) return 0;
  return pid > 0 && pid <= INT_MAX ? static_cast<pid_t>(pid) : 0;
}

void NoteTempFile(const std::string& path) {
  if (path.size() >= PATH_MAX) return;
  for (int i = 0; i < kTempSlots; ++i) {
    if (gTempUsed[i]) continue;
    std::memcpy(gTempPaths[i], path.c_str(), path.size() + 1);
    gTempUsed[i] = 1;
    return;
  }
}

void ForgetTempFile(const std::string& path) {
  for (int i = 0; i < kTempSlots; ++i)
    if (gTempUsed[i] && path == gTempPaths[i]) gTempUsed[i] = 0;
}

void RemoveTempFilesNow() {
  for (int i = 0; i < kTempSlots; ++i)
    if (gTempUsed[i]) ::unlink(gTempPaths[i]);
}

void FailFileStep(FileStep step, long nth, int err) {
  StepFailure& f = Failure();
  f.step = step;
  f.left = nth - 1;
  f.err = nth > 0 ? err : 0;
}

int WriteFully(int fd, const void* data, size_t size) {
  if (int err = Injected(FileStep::Write)) return err;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : ENOSPC;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return 0;
}

int FlushFile(int) { return Injected(FileStep::Flush); }

int SyncFile(int fd) {
  if (int err = Injected(FileStep::Sync)) return err;
  return ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
}

int CloseFile(int fd) {
  int err = Injected(FileStep::Close);
  // Closed even when it fails: the descriptor is gone either way.
  if (::close(fd) != 0 && !err && errno != EINTR) err = errno;
  return err;
}

ASErrorCode FileErrorCode(int err, ASErrorCode otherwise) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return fileErrNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return fileErrPermission;
    case EISDIR:
      return fileErrIsFolder;
    default:
      return otherwise;
  }
}

FileReplacement::~FileReplacement() {
  if (fd_ >= 0) ::close(fd_);
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    ForgetTempFile(temp_);
  }
}

int FileReplacement::Fail(const std::string& path, int err) {
  detail_ = path + ": " + std::strerror(err);
  return err;
}

int FileReplacement::Begin(const std::string& path, Mode mode) {
  mode_ = mode;
  // The file a link names is the one to write, made when it is missing.
  if (int err = FollowLinks(path, &target_)) return Fail(path, err);
  struct stat st;
  existed_ = ::stat(target_.c_str(), &st) == 0;
  if (!existed_ && errno != ENOENT) return Fail(target_, errno);
  if (existed_) {
    if (S_ISDIR(st.st_mode)) return Fail(target_, EISDIR);
    if (!S_ISREG(st.st_mode)) {
      detail_ = target_ + ": not a regular file";
      return EINVAL;
    }
    if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) return Fail(target_, errno);
    oldOwner_ = st.st_uid;
    oldGroup_ = st.st_gid;
    oldMode_ = st.st_mode & 07777;
  }
  folder_ = FolderOf(target_);
  RemoveStaleSaves(folder_);

  std::string stem = (folder_ == "/" ? std::string() : folder_) + "/" + kTempPrefix +
                     std::to_string(::getpid()) + "-";
  // A new shared file is made 0666 so that the umask (and the folder's
  // default ACL) decide, as for any new file.
  mode_t created = mode == Mode::Inherit && !existed_ ? 0666 : 0600;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = stem + RandomTail();
    EndingSignalsBlocked blocked;
    fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, created);
    if (fd_ >= 0) {
      temp_ = name;
      NoteTempFile(temp_);
      return 0;
    }
    if (errno != EEXIST) return Fail(folder_, errno);
  }
  return Fail(folder_, EEXIST);
}

int FileReplacement::Commit() {
  if (fd_ < 0) return EBADF;
  if (mode_ == Mode::Private) {
    if (::fchmod(fd_, 0600) != 0) return Fail(temp_, errno);
  } else if (existed_) {
    mode_t keep = oldMode_;
    struct stat st;
    if (::fstat(fd_, &st) != 0) return Fail(temp_, errno);
    if (st.st_uid != oldOwner_ || st.st_gid != oldGroup_) {
      // Owner and group as they were, when we may give them; a group we
      // cannot give gets none of the old group's rights.
      if (::fchown(fd_, oldOwner_, oldGroup_) != 0 && ::fchown(fd_, static_cast<uid_t>(-1), oldGroup_) != 0)
        keep &= ~static_cast<mode_t>(070);
    }
    if (::fchmod(fd_, keep) != 0) return Fail(temp_, errno);
  }
  if (int err = SyncFile(fd_)) return Fail(temp_, err);
  int fd = fd_;
  fd_ = -1;
  if (int err = CloseFile(fd)) return Fail(temp_, err);
  if (::rename(temp_.c_str(), target_.c_str()) != 0) return Fail(target_, errno);
  ForgetTempFile(temp_);
  temp_.clear();
  // The rename is only lasting once the folder is on disk too.
  int dir = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    int err = ::fsync(dir) == 0 || errno == EINVAL ? 0 : errno;
    ::close(dir);
    if (err) return Fail(folder_, err);
  }
  return 0;
}

}  // namespace host
