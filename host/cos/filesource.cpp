#include "cos/filesource.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include <qpdf/QPDFExc.hh>
#include <qpdf/QUtil.hh>

namespace host {

namespace {
const size_t kBlock = 64 * 1024;
}  // namespace

BlockFileSource::BlockFileSource(const std::string& name, int fd) : name_(name), fd_(fd), block_(kBlock) {}

BlockFileSource::~BlockFileSource() {
  if (fd_ >= 0) ::close(fd_);
}

void BlockFileSource::seek(qpdf_offset_t offset, int whence) {
  qpdf_offset_t base = 0;
  if (whence == SEEK_CUR) {
    base = pos_;
  } else if (whence == SEEK_END) {
    struct stat st;
    if (::fstat(fd_, &st) != 0) QUtil::throw_system_error("seek to " + name_);
    base = st.st_size;
  }
  if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) base = -1;
  // A length near 2^63 would carry the position past what an offset holds:
  // damage, which the library then repairs as it does any wrong length.
  if (base >= 0 && offset > std::numeric_limits<qpdf_offset_t>::max() - base)
    throw QPDFExc(qpdf_e_damaged_pdf, name_, "", pos_,
                  "seek to " + std::to_string(base) + " + " + std::to_string(offset) + ": past the largest offset");
  if (base < 0 || base + offset < 0) {
    errno = EINVAL;
    QUtil::throw_system_error("seek to " + name_ + ", offset " + std::to_string(offset) + " (" +
                              std::to_string(whence) + ")");
  }
  pos_ = base + offset;
}

size_t BlockFileSource::ReadAt(qpdf_offset_t offset, char* out, size_t length) {
  size_t done = 0;
  while (done < length) {
    const qpdf_offset_t at = offset + static_cast<qpdf_offset_t>(done);
    if (at >= blockStart_ && at < blockStart_ + static_cast<qpdf_offset_t>(blockLength_)) {
      const size_t skip = static_cast<size_t>(at - blockStart_);
      const size_t n = std::min(length - done, blockLength_ - skip);
      std::memcpy(out + done, block_.data() + skip, n);
      done += n;
      continue;
    }
    // A long read goes straight to the caller; a short one fills the block.
    const bool direct = length - done >= kBlock;
    char* into = direct ? out + done : block_.data();
    const size_t want = direct ? length - done : kBlock;
    ssize_t got;
    do {
      got = ::pread(fd_, into, want, at);
    } while (got < 0 && errno == EINTR);
    if (got < 0) throw QPDFExc(qpdf_e_system, name_, "", at, "read " + std::to_string(length) + " bytes");
    if (got == 0) break;
    if (direct) {
      done += static_cast<size_t>(got);
    } else {
      blockStart_ = at;
      blockLength_ = static_cast<size_t>(got);
    }
  }
  return done;
}

size_t BlockFileSource::read(char* buffer, size_t length) {
  last_offset = pos_;
  const size_t got = ReadAt(pos_, buffer, length);
  pos_ += static_cast<qpdf_offset_t>(got);
  if (got == 0 && length > 0) {
    seek(0, SEEK_END);
    last_offset = pos_;
  }
  return got;
}

void BlockFileSource::unreadCh(char) {
  if (pos_ > 0) --pos_;
}

qpdf_offset_t BlockFileSource::findAndSkipNextEOL() {
  // The offset of the first line end at or after the position, with the
  // position moved past every \r and \n that follow it; the end of the file
  // when there is none.
  char buf[10240];
  for (;;) {
    const qpdf_offset_t start = tell();
    const size_t len = read(buf, sizeof buf);
    if (len == 0) return tell();
    const char* p1 = static_cast<const char*>(std::memchr(buf, '\r', len));
    const char* p2 = static_cast<const char*>(std::memchr(buf, '\n', len));
    const char* p = (p1 && p2) ? std::min(p1, p2) : p1 ? p1 : p2;
    if (!p) continue;
    const qpdf_offset_t result = start + (p - buf);
    seek(result + 1, SEEK_SET);
    char ch;
    while (read(&ch, 1) == 1) {
      if (ch != '\r' && ch != '\n') {
        unreadCh(ch);
        break;
      }
    }
    return result;
  }
}

}  // namespace host
