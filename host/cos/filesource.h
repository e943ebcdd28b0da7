// A file read for the library with positioned reads and the blocks read kept
// in memory. The library seeks before nearly every object it reads; through
// stdio each of those seeks cost a system call and dropped the buffer. A
// run goes over the file several times (the scan at opening, the objects a
// command reads, the stream data it converts, the save), and each pass read
// it all again. So the blocks read are kept, up to kMostKept bytes (a file
// of up to that size is read once), then the one used longest ago makes
// room. Large stream data, which its readers read once, is not kept: a long
// read goes past the blocks to the caller, and a block that lies wholly in
// one stream's data is read for its reader alone. Reads, seeks, end of file
// and errors answer as the library's own file source does.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <qpdf/InputSource.hh>

namespace host {

class BlockFileSource : public InputSource {
 public:
  // What the blocks of one file hold at most.
  static constexpr size_t kMostKept = size_t(16) << 20;

  // Takes over `fd` (closed with the source).
  BlockFileSource(const std::string& name, int fd);
  ~BlockFileSource() override;
  BlockFileSource(const BlockFileSource&) = delete;
  BlockFileSource& operator=(const BlockFileSource&) = delete;

  qpdf_offset_t findAndSkipNextEOL() override;
  std::string const& getName() const override { return name_; }
  qpdf_offset_t tell() override { return pos_; }
  void seek(qpdf_offset_t offset, int whence) override;
  void rewind() override { pos_ = 0; }
  size_t read(char* buffer, size_t length) override;
  void unreadCh(char ch) override;
  // Bytes at `offset` into `out`, from the blocks or the file; 0 at the end.
  // The position stays.
  size_t ReadAt(qpdf_offset_t offset, char* out, size_t length);
  // The bytes from `from` to `to` are one stream's data: the blocks wholly
  // within them are not kept.
  void PassOver(qpdf_offset_t from, qpdf_offset_t to);
  // Lets the kept blocks go; what is read later is kept again.
  void Forget();

 private:
  // Makes the current block the one that holds `at`; false at or past the
  // end of the file.
  bool Fill(qpdf_offset_t at);
  // The kept block that starts at block number `number`; null when none.
  struct Block;
  Block* Kept(uint64_t number);

  // Blocks start at multiples of their size. Each is memory of its own, out
  // of the heap, so that the blocks let go give their memory back at once.
  struct Unmap {
    void operator()(char* p) const;
  };
  struct Block {
    std::unique_ptr<char, Unmap> data;
    uint64_t number = 0;
    size_t length = 0;
    unsigned long long used = 0;
  };

  std::string name_;
  int fd_;
  qpdf_offset_t pos_ = 0;
  size_t most_;  // blocks kept at most
  std::vector<Block> blocks_;
  std::vector<int32_t> where_;  // by block number: its index in blocks_, or -1
  std::vector<bool> data_;      // by block number: wholly within one stream's data
  Block passing_;               // the last of those read
  unsigned long long uses_ = 0;
  const char* block_ = nullptr;  // the current block's data
  qpdf_offset_t blockStart_ = 0;
  size_t blockLength_ = 0;
};

}  // namespace host
