#include "cos/filesource.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

#include <qpdf/QPDFExc.hh>
#include <qpdf/QUtil.hh>

namespace host {

namespace {
const size_t kBlock = 64 * 1024;
// Reads of this much or more (large stream data, read in windows of this
// size) go past the blocks.
const size_t kLongRead = 4 * kBlock;

// Memory that runs out fails as operator new fails, through the new-handler.
char* NewBlock() {
  void* p = ::mmap(nullptr, kBlock, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p != MAP_FAILED) return static_cast<char*>(p);
  if (std::new_handler handler = std::get_new_handler()) handler();
  throw std::bad_alloc();
}
}  // namespace

void BlockFileSource::Unmap::operator()(char* p) const { ::munmap(p, kBlock); }

BlockFileSource::BlockFileSource(const std::string& name, int fd)
    : name_(name), fd_(fd), most_(std::max<size_t>(4, kMostKept / kBlock)) {}

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

BlockFileSource::Block* BlockFileSource::Kept(uint64_t number) {
  if (number >= where_.size() || where_[number] < 0) return nullptr;
  return &blocks_[static_cast<size_t>(where_[number])];
}

bool BlockFileSource::Fill(qpdf_offset_t at) {
  if (block_ && at >= blockStart_ && at < blockStart_ + static_cast<qpdf_offset_t>(blockLength_)) return true;
  const uint64_t number = static_cast<uint64_t>(at) / kBlock;
  const qpdf_offset_t start = static_cast<qpdf_offset_t>(number * kBlock);
  Block* chosen = Kept(number);
  const bool passing = number < data_.size() && data_[number];
  if (!chosen) {
    if (passing) {
      chosen = &passing_;
      if (!chosen->data) chosen->data.reset(NewBlock());
      if (block_ == chosen->data.get()) block_ = nullptr;
    } else if (blocks_.size() < most_) {
      blocks_.emplace_back();
      chosen = &blocks_.back();
      chosen->data.reset(NewBlock());
    } else {
      chosen = &blocks_[0];
      for (Block& b : blocks_)
        if (b.used < chosen->used) chosen = &b;
      if (Kept(chosen->number) == chosen) where_[chosen->number] = -1;
      if (block_ == chosen->data.get()) block_ = nullptr;
    }
    ssize_t got;
    do {
      got = ::pread(fd_, chosen->data.get(), kBlock, start);
    } while (got < 0 && errno == EINTR);
    if (got < 0) throw QPDFExc(qpdf_e_system, name_, "", at, "read " + std::to_string(kBlock) + " bytes");
    chosen->number = number;
    chosen->length = static_cast<size_t>(got);
    // Nothing is kept of the end of the file, which may yet grow.
    if (got > 0 && !passing) {
      if (where_.size() <= number) where_.resize(number + 1, -1);
      where_[number] = static_cast<int32_t>(chosen - blocks_.data());
    }
  }
  chosen->used = ++uses_;
  if (at >= start + static_cast<qpdf_offset_t>(chosen->length)) return false;
  block_ = chosen->data.get();
  blockStart_ = start;
  blockLength_ = chosen->length;
  return true;
}

void BlockFileSource::PassOver(qpdf_offset_t from, qpdf_offset_t to) {
  if (from < 0 || to <= from) return;
  const uint64_t first = (static_cast<uint64_t>(from) + kBlock - 1) / kBlock, end = static_cast<uint64_t>(to) / kBlock;
  if (first >= end) return;
  if (data_.size() < end) data_.resize(end, false);
  for (uint64_t n = first; n < end; ++n) data_[n] = true;
}

void BlockFileSource::Forget() {
  std::vector<Block>().swap(blocks_);
  std::vector<int32_t>().swap(where_);
  block_ = nullptr;
}

size_t BlockFileSource::ReadAt(qpdf_offset_t offset, char* out, size_t length) {
  size_t done = 0;
  while (done < length) {
    const qpdf_offset_t at = offset + static_cast<qpdf_offset_t>(done);
    const bool current = block_ && at >= blockStart_ && at < blockStart_ + static_cast<qpdf_offset_t>(blockLength_);
    if (length - done >= kLongRead && !current && !Kept(static_cast<uint64_t>(at) / kBlock)) {
      // A long read goes straight to the caller.
      ssize_t got;
      do {
        got = ::pread(fd_, out + done, length - done, at);
      } while (got < 0 && errno == EINTR);
      if (got < 0) throw QPDFExc(qpdf_e_system, name_, "", at, "read " + std::to_string(length) + " bytes");
      if (got == 0) break;
      done += static_cast<size_t>(got);
      continue;
    }
    if (!Fill(at)) break;
    const size_t skip = static_cast<size_t>(at - blockStart_);
    const size_t n = std::min(length - done, blockLength_ - skip);
    std::memcpy(out + done, block_ + skip, n);
    done += n;
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
  // when there is none. Looked for in the block itself: the library asks it
  // once a line of a cross-reference table, and copying a buffer of its own
  // each time cost more than the rest of opening.
  qpdf_offset_t result = -1;
  for (;;) {
    if (!Fill(pos_)) {
      seek(0, SEEK_END);
      last_offset = pos_;
      return result < 0 ? pos_ : result;
    }
    const char* block = block_;
    const char* p = block + (pos_ - blockStart_);
    const char* end = block + blockLength_;
    if (result < 0) {
      while (p < end && *p != '\r' && *p != '\n') ++p;
      if (p < end) result = blockStart_ + (p - block);
    }
    if (result >= 0)
      while (p < end && (*p == '\r' || *p == '\n')) ++p;
    pos_ = blockStart_ + (p - block);
    if (result >= 0 && p < end) {
      last_offset = pos_;
      return result;
    }
  }
}

}  // namespace host
