// A file read for the library with positioned reads and one block kept in
// memory. The library seeks before nearly every object it reads; through
// stdio each of those seeks cost a system call and dropped the buffer.
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
  // Makes the block hold `at`; false at or past the end of the file.
  bool Fill(qpdf_offset_t at);

  std::string name_;
  int fd_;
  qpdf_offset_t pos_ = 0;
  std::vector<char> block_;
  qpdf_offset_t blockStart_ = 0;
  size_t blockLength_ = 0;
};

}  // namespace host
