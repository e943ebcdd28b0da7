// File system failures as host codes, and files replaced whole through a
// temporary file beside them (saved documents, registry hives).
#pragma once
#include <signal.h>
#include <sys/types.h>

#include <string>

#include "core/host.h"

namespace host {

// The host code for a failed file operation: a missing file, a refused
// permission, a folder; `otherwise` for any other errno value.
ASErrorCode FileErrorCode(int err, ASErrorCode otherwise);

// A new version of a file, written to a temporary file beside it and renamed
// over it, so that a failure leaves the old file whole. A link is followed to
// the file it names, which is made when missing. The temporary file is named
// .plughost-save-<pid>-XXXXXX and noted (NoteTempFile) while it stands, so a
// run ended by a signal removes it; one left by a writer that is gone (killed
// outright) is removed by the next replacement in its folder.
// The writes of files the host replaces whole go through these, so that a
// full disk can be tried without one: each answers 0 or an errno value.
// WriteFully writes all of `size` bytes (one counted write per call).
int WriteFully(int fd, const void* data, size_t size);
int FlushFile(int fd);  // the last write of a buffered writer
int SyncFile(int fd);
int CloseFile(int fd);

// `path` with its symbolic links followed to the file a write through it
// reaches (made there when missing), as FileReplacement follows them:
// 0, or the errno value of a link that cannot be read or leads round.
int FollowLinks(const std::string& path, std::string* target);
// Where a write to `path` lands, as a key: the device and inode of the file
// its links lead to; of its folder, with its name, when that file does not
// exist yet; else the path resolved. Hard links, symbolic links and folders
// reached by other names (bind mounts included) give one key.
std::string LandingKey(const std::string& path);
// Whether writes to two paths land in one file.
bool SameFile(const std::string& a, const std::string& b);

// Removes from `folder` the save temporaries whose writing process is gone,
// as every replacement does in its own folder.
void RemoveStaleSaves(const std::string& folder);

// This program's file and its folder ("" and "." when unknown).
std::string ExecutablePath();
std::string ExecutableFolder();

// Temporary files the host makes for plug-ins carry "-plughost<pid>-" in
// their names, so that those of a run that is gone can be told and removed.
std::string TempFileTag();
pid_t TempFileOwner(const std::string& name);  // 0 when not one of ours
// The host's temporary files still there; RemoveTempFilesNow unlinks them
// and is async-signal-safe, for a run ended by a signal.
void NoteTempFile(const std::string& path);
void ForgetTempFile(const std::string& path);
void RemoveTempFilesNow();

// Blocks the signals that end a run while a temporary file is made and
// noted, so that none ends it between the two.
class EndingSignalsBlocked {
 public:
  EndingSignalsBlocked() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, sig);
    ::sigprocmask(SIG_BLOCK, &set, &old_);
  }
  ~EndingSignalsBlocked() { ::sigprocmask(SIG_SETMASK, &old_, nullptr); }
  EndingSignalsBlocked(const EndingSignalsBlocked&) = delete;
  EndingSignalsBlocked& operator=(const EndingSignalsBlocked&) = delete;

 private:
  sigset_t old_;
};

// Test hook: the `nth` write, flush, close or sync (counted from 1 among
// those since the call) fails with `err`; 0 turns it off. PLUGHOST_FAIL_FILE
// ("write:N:ENOSPC", "sync:1:EIO", "write:1:ENOMEM") sets it when the host
// starts.
enum class FileStep { Write, Flush, Close, Sync };
void FailFileStep(FileStep step, long nth, int err);

class FileReplacement {
 public:
  enum class Mode {
    Inherit,  // an existing file keeps its mode; a new one gets 0666 less the umask
    Private,  // 0600 whatever stood before
  };
  FileReplacement() = default;
  ~FileReplacement();  // removes the temporary file unless committed
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Refuses a target that may not be written (EACCES), a folder (EISDIR) and
  // anything else that is not a regular file (EINVAL); removes the stale
  // temporary files of writers that are gone from the folder; makes the
  // temporary file. Answers 0 or an errno value.
  int Begin(const std::string& path, Mode mode);
  int fd() const { return fd_; }
  // Gives the new file its mode, syncs it, renames it over the target and
  // syncs the folder. Answers 0 or an errno value.
  int Commit();
  // The path and the reason of the last failure.
  const std::string& Detail() const { return detail_; }

 private:
  int Fail(const std::string& path, int err);

  std::string target_;
  std::string temp_;
  std::string folder_;
  int fd_ = -1;
  Mode mode_ = Mode::Inherit;
  bool existed_ = false;  // and then its owner and mode as they stood
  uid_t oldOwner_ = 0;
  gid_t oldGroup_ = 0;
  mode_t oldMode_ = 0;
  std::string detail_;
};

}  // namespace host
