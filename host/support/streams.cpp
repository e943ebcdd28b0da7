#include "support/streams.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace host {
namespace {

class MemStm : public Stm {
 public:
  explicit MemStm(std::string data) : data_(std::move(data)) {}

 protected:
  size_t Fill(char* buffer, size_t count) override {
    size_t n = std::min(count, data_.size() - pos_);
    if (n) std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return n;
  }

 private:
  std::string data_;
  size_t pos_ = 0;
};

class ProcStm : public Stm {
 public:
  ProcStm(ASCallback proc, void* clientData) : proc_(proc), clientData_(clientData) {}

 protected:
  size_t Fill(char* buffer, size_t count) override {
    if (ended_ || count == 0) return 0;
    auto proc = reinterpret_cast<ASStmProc>(CallbackProc(proc_));
    if (!proc) return 0;
    ASInt32 want = static_cast<ASInt32>(std::min<size_t>(count, 0x7FFFFFFF));
    ASInt32 got = proc(buffer, want, clientData_);
    if (got > want) {
      SetFailureDetail("a stream procedure answered more bytes than asked");
      Raise(genErrBadParm);
    }
    if (got <= 0) {
      ended_ = true;
      return 0;
    }
    return static_cast<size_t>(got);
  }

 private:
  ASCallback proc_;
  void* clientData_;
  bool ended_ = false;
};

std::unordered_map<ASStm, std::unique_ptr<Stm>>& Live() {
  static auto* live = new std::unordered_map<ASStm, std::unique_ptr<Stm>>;
  return *live;
}

const size_t kChunk = 65536;

}  // namespace

bool Stm::Refill() {
  // Keep the last byte so that Unget works across a refill.
  char last = pos_ > 0 ? buf_[pos_ - 1] : 0;
  bool keep = pos_ > 0;
  buf_.resize(kChunk + 1);
  size_t n = Fill(&buf_[1], kChunk);
  if (n == 0) {
    buf_.clear();
    if (keep) buf_.push_back(last);
    pos_ = buf_.size();
    return false;
  }
  buf_[0] = last;
  buf_.resize(n + 1);
  pos_ = 1;
  if (!keep) {
    buf_.erase(0, 1);
    pos_ = 0;
  }
  return true;
}

size_t Stm::Read(char* buffer, size_t count) {
  size_t got = 0;
  size_t have = buf_.size() - pos_;
  if (have) {
    size_t n = std::min(have, count);
    std::memcpy(buffer, buf_.data() + pos_, n);
    pos_ += n;
    got = n;
  }
  while (got < count) {
    size_t n = Fill(buffer + got, count - got);
    if (n == 0) break;
    got += n;
  }
  return got;
}

std::string Stm::ReadAllRest() {
  std::string out = buf_.substr(pos_);
  pos_ = buf_.size();
  char chunk[kChunk];
  for (;;) {
    size_t n = Fill(chunk, sizeof chunk);
    if (n == 0) break;
    out.append(chunk, n);
  }
  return out;
}

ASStm AdoptStm(std::unique_ptr<Stm> stm) {
  ASStm handle = reinterpret_cast<ASStm>(stm.get());
  Live()[handle] = std::move(stm);
  return handle;
}

ASStm NewMemStm(std::string data) { return AdoptStm(std::make_unique<MemStm>(std::move(data))); }

ASStm NewProcStm(ASCallback readProc, void* clientData) {
  return AdoptStm(std::make_unique<ProcStm>(readProc, clientData));
}

namespace {
// The stream last looked up: a reader asks for the same one token after token.
ASStm gLastHandle = nullptr;
Stm* gLastStm = nullptr;
}  // namespace

Stm& StmOf(ASStm stm) {
  if (stm && stm == gLastHandle) return *gLastStm;
  auto it = Live().find(stm);
  if (it == Live().end()) Raise(genErrBadHandle);
  gLastHandle = stm;
  gLastStm = it->second.get();
  return *it->second;
}

void CloseStm(ASStm stm) {
  if (stm == gLastHandle) {
    gLastHandle = nullptr;
    gLastStm = nullptr;
  }
  Live().erase(stm);
}

void ReserveCapped(std::string& out, size_t more, size_t cap) {
  if (out.size() + more <= out.capacity()) return;
  const size_t want = std::min(cap, std::max(out.size() + more, out.capacity() * 2));
  if (want >= out.capacity() * 2) {
    out.reserve(want);
    return;
  }
  // Asked for less than twice what it holds, the string would take twice
  // anyway: a new one takes exactly what is asked.
  std::string grown;
  grown.reserve(want);
  grown.append(out);
  out.swap(grown);
}

std::string ReadStm(ASStm stm, long long start, long long limit, size_t cap) {
  Stm& s = StmOf(stm);
  std::string out;
  char buffer[kChunk];
  long long skip = start > 0 ? start : 0;
  while (skip > 0) {
    size_t n = s.Read(buffer, static_cast<size_t>(std::min<long long>(skip, sizeof buffer)));
    if (n == 0) return out;
    skip -= static_cast<long long>(n);
  }
  for (;;) {
    size_t want = sizeof buffer;
    if (limit >= 0) {
      long long left = limit - static_cast<long long>(out.size());
      if (left <= 0) break;
      want = static_cast<size_t>(std::min<long long>(left, sizeof buffer));
    }
    size_t n = s.Read(buffer, want);
    if (n == 0) break;
    if (n > cap - out.size()) {
      SetFailureDetail("stream data exceeds the host's cap");
      Raise(cosErrDataTooLarge);
    }
    ReserveCapped(out, n, cap);
    out.append(buffer, n);
  }
  return out;
}

}  // namespace host
