#include "cos/spill.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <qpdf/Buffer.hh>

#include "core/host.h"

namespace host {

// Appended to by one stream at a time; read by position.
class SpillFile {
 public:
  // None when no temporary file can be made: the bytes stay in memory.
  static std::shared_ptr<SpillFile> Make() {
    const std::string folder = TempFolder();
    std::string pattern = (folder == "/" ? "" : folder) + "/.plughost-spill-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return nullptr;
    ::unlink(name.data());  // gone from the folder; the bytes live while it is open
    return std::shared_ptr<SpillFile>(new SpillFile(fd));
  }
  ~SpillFile() { ::close(fd_); }
  uint64_t Size() const { return size_; }
  bool busy = false;  // a stream is being appended
  bool Append(const unsigned char* data, size_t n) {
    for (size_t done = 0; done < n;) {
      const ssize_t k = ::pwrite(fd_, data + done, n - done, static_cast<off_t>(size_ + done));
      if (k < 0 && errno == EINTR) continue;
      if (k <= 0) return false;
      done += static_cast<size_t>(k);
    }
    size_ += n;
    return true;
  }
  bool Read(uint64_t at, unsigned char* out, size_t n) const {
    for (size_t done = 0; done < n;) {
      const ssize_t k = ::pread(fd_, out + done, n - done, static_cast<off_t>(at + done));
      if (k < 0 && errno == EINTR) continue;
      if (k <= 0) return false;
      done += static_cast<size_t>(k);
    }
    return true;
  }

 private:
  explicit SpillFile(int fd) : fd_(fd) {}
  int fd_;
  uint64_t size_ = 0;
};

namespace {

const size_t kKept = size_t(1) << 20;  // kept in memory up to this
const size_t kBlock = 65536;

// A stream's bytes in the spill file, handed to the library as it asks.
class Spilled : public QPDFObjectHandle::StreamDataProvider {
 public:
  Spilled(std::shared_ptr<SpillFile> file, uint64_t at, uint64_t size) : file_(std::move(file)), at_(at), size_(size) {}
  void provideStreamData(QPDFObjGen const&, Pipeline* pipeline) override {
    std::vector<unsigned char> block(kBlock);
    for (uint64_t done = 0; done < size_;) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(kBlock, size_ - done));
      if (!file_->Read(at_ + done, block.data(), n)) throw std::runtime_error("spilled stream data could not be read");
      pipeline->write(block.data(), n);
      done += n;
    }
    pipeline->finish();
  }

 private:
  std::shared_ptr<SpillFile> file_;
  uint64_t at_, size_;
};

}  // namespace

StreamBytes::StreamBytes(std::shared_ptr<SpillFile>& spill, size_t cap)
    : Pipeline("stream bytes", nullptr), slot_(spill), cap_(cap) {}

StreamBytes::~StreamBytes() {
  std::free(bytes_);
  if (file_) file_->busy = false;
}

void StreamBytes::Reserve(size_t more) {
  if (more > cap_ - size_) {
    SetFailureDetail("stream data exceeds the host's cap");
    Raise(cosErrDataTooLarge);
  }
  if (!file_ && size_ + more > kKept) Spill();
  if (file_ || size_ + more <= room_) return;
  const size_t room = std::min(cap_, std::max({size_ + more, room_ * 2, size_t(4096)}));
  auto* grown = static_cast<unsigned char*>(std::realloc(bytes_, room));
  if (!grown) Raise(genErrNoMemory);
  bytes_ = grown;
  room_ = room;
}

// Moves the bytes so far to the spill file, when it can be had and no other
// stream is being written there; else they stay in memory.
void StreamBytes::Spill() {
  if (!slot_) slot_ = SpillFile::Make();
  if (!slot_ || slot_->busy) return;
  const uint64_t at = slot_->Size();
  if (!slot_->Append(bytes_, size_)) return;
  file_ = slot_;
  file_->busy = true;
  at_ = at;
  std::free(bytes_);
  bytes_ = nullptr;
  room_ = 0;
}

void StreamBytes::write(unsigned char const* data, size_t len) {
  Reserve(len);
  if (file_) {
    if (!file_->Append(data, len)) {
      SetFailureDetail(std::string("the spill file could not be written: ") + std::strerror(errno));
      Raise(genErrNoMemory);
    }
  } else {
    std::memcpy(bytes_ + size_, data, len);
  }
  size_ += len;
}

size_t StreamBytes::ReadFrom(Stm& source, size_t n) {
  Reserve(n);
  if (!file_) {
    const size_t got = source.Read(reinterpret_cast<char*>(bytes_ + size_), n);
    size_ += got;
    return got;
  }
  std::vector<char> block(std::min(n, kBlock));
  size_t total = 0;
  while (total < n) {
    const size_t got = source.Read(block.data(), std::min(block.size(), n - total));
    if (got == 0) break;
    write(reinterpret_cast<const unsigned char*>(block.data()), got);
    total += got;
  }
  return total;
}

size_t StreamBytes::Read(uint64_t at, char* out, size_t n) const {
  if (at >= size_) return 0;
  n = static_cast<size_t>(std::min<uint64_t>(n, size_ - at));
  auto* to = reinterpret_cast<unsigned char*>(out);
  if (!file_) {
    std::memcpy(to, bytes_ + at, n);
  } else if (!file_->Read(at_ + at, to, n)) {
    return 0;
  }
  return n;
}

void StreamBytes::Install(QPDFObjectHandle stream) {
  if (file_) {
    stream.replaceStreamData(std::make_shared<Spilled>(file_, at_, size_), QPDFObjectHandle(), QPDFObjectHandle());
    stream.getDict().replaceKey("/Length", QPDFObjectHandle::newInteger(static_cast<long long>(size_)));
    return;
  }
  // The bytes where they lie: freed with the library's buffer.
  unsigned char* bytes = bytes_ ? static_cast<unsigned char*>(std::realloc(bytes_, std::max<size_t>(size_, 1))) : nullptr;
  if (!bytes) bytes = bytes_ ? bytes_ : static_cast<unsigned char*>(std::malloc(1));
  if (!bytes) Raise(genErrNoMemory);
  bytes_ = nullptr;
  stream.replaceStreamData(std::shared_ptr<Buffer>(new Buffer(bytes, size_),
                                                   [bytes](Buffer* b) {
                                                     delete b;
                                                     std::free(bytes);
                                                   }),
                           QPDFObjectHandle(), QPDFObjectHandle());
}

}  // namespace host
