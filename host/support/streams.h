// Host streams (ASStm). Every stream handle is checked against the live set
// before use. Streams are buffered so that readers can look at the next byte
// and put bytes back (the content tokenizer reads one byte ahead).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/host.h"

namespace host {

class Stm {
 public:
  virtual ~Stm() = default;
  // Reads up to `count` bytes; answers the number read (0 at the end).
  size_t Read(char* buffer, size_t count);
  // The next byte, or -1 at the end.
  int Get() {
    if (pos_ < buf_.size()) return static_cast<unsigned char>(buf_[pos_++]);
    return Refill() ? static_cast<unsigned char>(buf_[pos_++]) : -1;
  }
  int Peek() {
    if (pos_ < buf_.size()) return static_cast<unsigned char>(buf_[pos_]);
    return Refill() ? static_cast<unsigned char>(buf_[pos_]) : -1;
  }
  // Puts back the last byte read.
  void Unget() {
    if (pos_ > 0) --pos_;
  }
  // Puts bytes back in front of what is still to be read.
  void PushBack(const std::string& bytes) {
    // In place when the bytes fit before the read position (they usually
    // came from there): a reader that puts back a little after each inline
    // image must not copy the whole buffer each time.
    if (bytes.size() <= pos_) {
      pos_ -= bytes.size();
      buf_.replace(pos_, bytes.size(), bytes);
      return;
    }
    buf_ = bytes + buf_.substr(pos_);
    pos_ = 0;
  }
  // Bytes of the source not yet read: the buffered rest, then the source.
  std::string ReadAllRest();

 protected:
  // Fills `buffer` from the source; 0 at its end.
  virtual size_t Fill(char* buffer, size_t count) = 0;

 private:
  bool Refill();
  std::string buf_;
  size_t pos_ = 0;
};

ASStm NewMemStm(std::string data);
// A stream whose bytes come from a procedure (ASStmProc) behind a host
// callback; a plug-in exception from the procedure passes through the read.
ASStm NewProcStm(ASCallback readProc, void* clientData);
ASStm AdoptStm(std::unique_ptr<Stm> stm);
Stm& StmOf(ASStm stm);  // raises genErrBadHandle
void CloseStm(ASStm stm);
// Skips `start` bytes, then reads up to `limit` bytes (all when negative).
// Holding more than `cap` bytes raises cosErrDataTooLarge.
std::string ReadStm(ASStm stm, long long start, long long limit, size_t cap = SIZE_MAX);
// Makes room in `out` for `more` bytes (which fit under `cap`): doubling,
// but never asking for more than `cap` in one block.
void ReserveCapped(std::string& out, size_t more, size_t cap);

}  // namespace host
