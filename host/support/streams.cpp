#include "support/streams.h"

#include <cstdlib>
#include <cstring>
#include <unordered_map>


namespace host {
namespace {

class MemStm : public Stm {
 public:
  explicit MemStm(std::string data) : data_(std::move(data)) {}
  size_t Read(char* buffer, size_t count) override {
    size_t n = std::min(count, data_.size() - pos_);
    if (n) std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return n;
  }

 private:
  std::string data_;
  size_t pos_ = 0;
};

std::unordered_map<ASStm, std::unique_ptr<Stm>>& Live() {
  static auto* live = new std::unordered_map<ASStm, std::unique_ptr<Stm>>;
  return *live;
}

}  // namespace

ASStm AdoptStm(std::unique_ptr<Stm> stm) {
  ASStm handle = reinterpret_cast<ASStm>(stm.get());
  Live()[handle] = std::move(stm);
  return handle;
}

ASStm NewMemStm(std::string data) { return AdoptStm(std::make_unique<MemStm>(std::move(data))); }

Stm& StmOf(ASStm stm) {
  auto it = Live().find(stm);
  if (it == Live().end()) Raise(genErrBadHandle);
  return *it->second;
}

void CloseStm(ASStm stm) { Live().erase(stm); }

std::string ReadStm(ASStm stm, long long start, long long limit) {
  Stm& s = StmOf(stm);
  std::string out;
  char buffer[65536];
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
    out.append(buffer, n);
  }
  return out;
}

}  // namespace host
