// Host streams (ASStm): memory streams for now; every stream handle is
// checked against the live set before use.
#pragma once
#include <memory>
#include <string>

#include "core/host.h"

namespace host {

class Stm {
 public:
  virtual ~Stm() = default;
  // Reads up to `count` bytes; answers the number read (0 at the end).
  virtual size_t Read(char* buffer, size_t count) = 0;
};

ASStm NewMemStm(std::string data);
ASStm AdoptStm(std::unique_ptr<Stm> stm);
Stm& StmOf(ASStm stm);  // raises genErrBadHandle
void CloseStm(ASStm stm);
// Skips `start` bytes, then reads up to `limit` bytes (all when negative).
std::string ReadStm(ASStm stm, long long start, long long limit);

}  // namespace host
