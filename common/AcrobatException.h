// The exception that carries a host failure out of a wrapper operation.
#pragma once
#include <string>

#include "host/astypes.h"

namespace Zentu {

class AcrobatException {
 public:
  // objectNumber -1 means none; errorCode 0 means none. `where` must not be null.
  AcrobatException(ASInt32 objectNumber, ASInt32 errorCode, const char* where);

  ASInt32 ObjectNumber() const { return objectNumber_; }
  ASInt32 ErrorCode() const { return errorCode_; }
  const std::string& Where() const { return where_; }

  // "Exception in " + where, then the object line and the host's text for
  // the code, each only when set.
  std::string Display() const;

 private:
  ASInt32 objectNumber_;
  ASInt32 errorCode_;
  std::string where_;
};

}  // namespace Zentu
