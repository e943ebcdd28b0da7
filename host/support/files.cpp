// Files of the AcroSupport table (ASFile): the PD document's own file, read
// from disk or from the memory a document was opened from, and files the
// plug-ins open by path.
#include "support/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_map>

#include "cos/docs.h"
#include "support/filesys.h"
#include "support/streams.h"
#include "host/selectors.h"

namespace host {
namespace {

struct FileRec {
  int fd = -1;
  std::shared_ptr<std::string> mem;  // a document opened from memory
  ASFilePos64 pos = 0;
  std::string path;
  ASUns32 docId = 0;  // the document whose file this is, or 0
};

std::unordered_map<ASFile, std::unique_ptr<FileRec>>& Live() {
  static auto* live = new std::unordered_map<ASFile, std::unique_ptr<FileRec>>;
  return *live;
}

FileRec& FileOf(ASFile file) {
  auto it = Live().find(file);
  if (it == Live().end()) Raise(genErrBadHandle);
  return *it->second;
}

ASFile Adopt(std::unique_ptr<FileRec> rec) {
  ASFile handle = reinterpret_cast<ASFile>(rec.get());
  Live()[handle] = std::move(rec);
  return handle;
}

void CloseRec(ASFile file) {
  auto it = Live().find(file);
  if (it == Live().end()) return;
  if (it->second->fd >= 0) ::close(it->second->fd);
  Live().erase(it);
}

// Reads its file by handle at a position of its own; a file closed meanwhile
// raises at the next read.
class FileStm : public Stm {
 public:
  explicit FileStm(ASFile file) : file_(file) {}

 protected:
  size_t Fill(char* buffer, size_t count) override {
    FileRec& rec = FileOf(file_);
    size_t n = 0;
    if (rec.mem) {
      if (pos_ < rec.mem->size()) {
        n = std::min(count, rec.mem->size() - pos_);
        std::memcpy(buffer, rec.mem->data() + pos_, n);
      }
    } else {
      ssize_t got;
      do {
        got = ::pread(rec.fd, buffer, count, static_cast<off_t>(pos_));
      } while (got < 0 && errno == EINTR);
      if (got < 0) Raise(fileErrRead);
      n = static_cast<size_t>(got);
    }
    pos_ += n;
    return n;
  }

 private:
  ASFile file_;
  size_t pos_ = 0;
};

}  // namespace

ASFile DocumentFile(ASUns32 docId) {
  Doc* doc = FindDoc(docId);
  if (!doc) Raise(genErrBadHandle);
  for (auto& kv : Live()) {
    FileRec& rec = *kv.second;
    if (rec.docId == docId && (rec.mem ? doc->path.empty() : rec.path == doc->path)) return kv.first;
  }
  // A saved document now lives in another file: its old file handle goes.
  ForgetDocumentFiles(docId);
  auto rec = std::make_unique<FileRec>();
  rec->docId = docId;
  if (doc->path.empty()) {
    rec->mem = doc->memoryData ? doc->memoryData : std::make_shared<std::string>();
  } else {
    // The file the document was read from, even when another now stands at its path.
    rec->fd = doc->fileFd >= 0 && doc->filePath == doc->path ? ::fcntl(doc->fileFd, F_DUPFD_CLOEXEC, 0)
                                                             : ::open(doc->path.c_str(), O_RDONLY | O_CLOEXEC);
    if (rec->fd < 0) {
      SetFailureDetail(doc->path + ": " + std::strerror(errno));
      Raise(fileErrOpen);
    }
    rec->path = doc->path;
  }
  return Adopt(std::move(rec));
}

void ForgetDocumentFiles(ASUns32 docId) {
  for (auto it = Live().begin(); it != Live().end();) {
    if (it->second->docId == docId) {
      if (it->second->fd >= 0) ::close(it->second->fd);
      it = Live().erase(it);
    } else {
      ++it;
    }
  }
}

char* SupDisplayStringFromPath(ASFileSys, ASPathName path, ASPathName) {
  Enter(TableId::AcroSupport, AcroSupportSel::DisplayStringFromPath);
  const std::string& text = PathText(path);
  char* copy = static_cast<char*>(std::malloc(text.size() + 1));
  if (!copy) Raise(genErrNoMemory);
  std::memcpy(copy, text.c_str(), text.size() + 1);
  return copy;
}

ASPathName SupFileAcquirePathName(ASFile file) {
  Enter(TableId::AcroSupport, AcroSupportSel::FileAcquirePathName);
  FileRec& rec = FileOf(file);
  if (rec.path.empty()) Raise(fileErrBadPath);
  return NewPath(rec.path);
}

// A path handed in place of a file is on the default file system too.
ASFileSys SupFileGetFileSys(ASFile file) {
  Enter(TableId::AcroSupport, AcroSupportSel::FileGetFileSys);
  if (!IsPath(reinterpret_cast<ASPathName>(file))) FileOf(file);
  return DefaultFileSys();
}

ASErrorCode SupFileSysOpenFile(ASFileSys, ASPathName path, ASUns16 mode, ASFile* file) {
  Enter(TableId::AcroSupport, AcroSupportSel::FileSysOpenFile);
  if (!file) return genErrBadParm;
  *file = nullptr;
  const std::string& text = PathText(path);
  int flags = O_CLOEXEC;
  if (mode & ASFILE_WRITE) flags |= (mode & ASFILE_READ) ? O_RDWR : O_WRONLY;
  else flags |= O_RDONLY;
  // Writing with create starts the file afresh; plain writing keeps it.
  if ((mode & ASFILE_CREATE) && (mode & ASFILE_WRITE)) flags |= O_CREAT | O_TRUNC;
  int fd = ::open(text.c_str(), flags, 0600);
  struct stat st;
  int err = fd < 0 ? errno : ::fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
  if (err) {
    if (fd >= 0) ::close(fd);
    SetFailureDetail(text + ": " + std::strerror(err));
    return FileErrorCode(err, fileErrOpen);
  }
  auto rec = std::make_unique<FileRec>();
  rec->fd = fd;
  rec->path = text;
  *file = Adopt(std::move(rec));
  return 0;
}

ASErrorCode SupFileSysRemoveFile(ASFileSys, ASPathName path) {
  Enter(TableId::AcroSupport, AcroSupportSel::FileSysRemoveFile);
  const std::string& text = PathText(path);
  if (::unlink(text.c_str()) != 0) {
    SetFailureDetail(text + ": " + std::strerror(errno));
    return errno == ENOENT ? fileErrNotFound : fileErrWrite;
  }
  ForgetTempFile(text);
  return 0;
}

ASFilePos64 SupFileGetEOF(ASFile file) {
  Enter(TableId::AcroSupport, AcroSupportSel::FileGetEOF);
  FileRec& rec = FileOf(file);
  if (rec.mem) return static_cast<ASFilePos64>(rec.mem->size());
  struct stat st;
  if (::fstat(rec.fd, &st) != 0) Raise(fileErrRead);
  return static_cast<ASFilePos64>(st.st_size);
}

void SupFileSetPos(ASFile file, ASFilePos64 pos) {
  Enter(TableId::AcroSupport, AcroSupportSel::FileSetPos);
  if (pos < 0) Raise(genErrBadParm);
  FileOf(file).pos = pos;
}

ASFilePos64 SupFileGetPos(ASFile file) {
  Enter(TableId::AcroSupport, AcroSupportSel::FileGetPos);
  return FileOf(file).pos;
}

ASSize_t SupFileRead(ASFile file, char* buffer, ASSize_t count) {
  Enter(TableId::AcroSupport, AcroSupportSel::FileRead);
  FileRec& rec = FileOf(file);
  if (!buffer || count == 0) return 0;
  if (rec.mem) {
    if (rec.pos >= static_cast<ASFilePos64>(rec.mem->size())) return 0;
    size_t n = std::min<size_t>(count, rec.mem->size() - static_cast<size_t>(rec.pos));
    std::memcpy(buffer, rec.mem->data() + rec.pos, n);
    rec.pos += static_cast<ASFilePos64>(n);
    return static_cast<ASSize_t>(n);
  }
  size_t got = 0;
  while (got < count) {
    ssize_t n = ::pread(rec.fd, buffer + got, count - got, rec.pos);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Raise(fileErrRead);
    if (n == 0) break;
    got += static_cast<size_t>(n);
    rec.pos += n;
  }
  return static_cast<ASSize_t>(got);
}

ASSize_t SupFileWrite(ASFile file, const char* buffer, ASSize_t count) {
  Enter(TableId::AcroSupport, AcroSupportSel::FileWrite);
  FileRec& rec = FileOf(file);
  if (rec.mem || rec.docId) Raise(fileErrWrite);  // a document's own file is never written here
  size_t put = 0;
  while (put < count) {
    ssize_t n = ::pwrite(rec.fd, buffer + put, count - put, rec.pos);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      SetFailureDetail(rec.path + ": " + std::strerror(errno));
      Raise(fileErrWrite);
    }
    put += static_cast<size_t>(n);
    rec.pos += n;
  }
  return static_cast<ASSize_t>(put);
}

ASErrorCode SupFileClose(ASFile file) {
  Enter(TableId::AcroSupport, AcroSupportSel::FileClose);
  auto it = Live().find(file);
  if (it == Live().end()) return genErrBadHandle;
  if (it->second->docId) return 0;  // the document keeps its own file
  CloseRec(file);
  return 0;
}

ASStm SupFileStmRdOpen(ASFile file, ASUns32) {
  Enter(TableId::AcroSupport, AcroSupportSel::FileStmRdOpen);
  FileOf(file);
  return AdoptStm(std::make_unique<FileStm>(file));
}

}  // namespace host
