// The data of a new stream, filled piece by piece where the document keeps
// it: in memory while it is small, then in the document's spill file, a
// temporary file removed from its folder as soon as it is made, from which
// the library reads it whenever it wants it. A large image made anew thus
// costs no memory until the save, where the writer holds it once more.
#pragma once
#include <cstdint>
#include <memory>

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include "support/streams.h"

namespace host {

class SpillFile;

class StreamBytes : public Pipeline {
 public:
  // `spill` is the document's spill file, made when first wanted; bytes
  // past `cap` raise cosErrDataTooLarge.
  StreamBytes(std::shared_ptr<SpillFile>& spill, size_t cap);
  ~StreamBytes() override;
  StreamBytes(const StreamBytes&) = delete;
  StreamBytes& operator=(const StreamBytes&) = delete;
  void write(unsigned char const* data, size_t len) override;
  void finish() override {}
  // Reads up to `n` bytes of `source` (no more than the cap leaves)
  // straight to where they are kept; answers how many (fewer only at its end).
  size_t ReadFrom(Stm& source, size_t n);
  // Makes the bytes the stream's data (its /Length theirs).
  void Install(QPDFObjectHandle stream);
  // The bytes written so far, read back: how many at `at` (0 past the end,
  // and when the spill file cannot be read).
  uint64_t Size() const { return size_; }
  size_t Read(uint64_t at, char* out, size_t n) const;

 private:
  void Reserve(size_t more);
  void Spill();
  std::shared_ptr<SpillFile>& slot_;
  std::shared_ptr<SpillFile> file_;  // once spilled
  uint64_t at_ = 0;                  // where the bytes begin in it
  size_t cap_, size_ = 0, room_ = 0;
  unsigned char* bytes_ = nullptr;  // while in memory
};

}  // namespace host
