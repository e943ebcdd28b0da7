// A file read for the library with positioned reads and a few blocks kept in
// memory. The library seeks before nearly every object it reads; through
// stdio each of those seeks cost a system call and dropped the buffer, and
// with one block kept, work that goes back and forth between two parts of
// the file (a page's objects and its images) read each block many times.
// Reads, seeks, end of file and errors answer as the library's own file
// source does.
#pragma once
#include <string>
#include <vector>

#include <qpdf/InputSource.hh>

namespace host {

class BlockFileSource : public InputSource {
 public:
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
  // Bytes at `offset` into `out`, from the block or the file; 0 at the end.
  // The position stays.
  size_t ReadAt(qpdf_offset_t offset, char* out, size_t length);

 private:
  // Makes the current block the one that holds `at`; false at or past the
  // end of the file.
  bool Fill(qpdf_offset_t at);

  // Blocks start at multiples of their size; the one used longest ago
  // makes room for the next.
  struct Block {
    std::vector<char> data;
    qpdf_offset_t start = -1;
    size_t length = 0;
    unsigned long long used = 0;
  };

  std::string name_;
  int fd_;
  qpdf_offset_t pos_ = 0;
  std::vector<Block> blocks_;
  unsigned long long uses_ = 0;
  const char* block_ = nullptr;  // the current block's data
  qpdf_offset_t blockStart_ = 0;
  size_t blockLength_ = 0;
};

}  // namespace host
