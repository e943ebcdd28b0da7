#include "common/AcrobatException.h"

#include <cstdio>

#include "host/calls.h"

namespace Zentu {

AcrobatException::AcrobatException(ASInt32 objectNumber, ASInt32 errorCode, const char* where)
    : objectNumber_(objectNumber), errorCode_(errorCode), where_(where) {}

std::string AcrobatException::Display() const {
  std::string text = "Exception in " + where_;
  if (objectNumber_ != -1) {
    char number[40];
    std::snprintf(number, sizeof number, "%lu",
                  static_cast<unsigned long>(static_cast<ASUns32>(objectNumber_)));
    text += "\n for object ";
    text += number;
  }
  if (errorCode_ != 0) {
    char buffer[1024] = {0};
    ASGetErrorString(errorCode_, buffer, 1023);
    text += "\n";
    text += buffer;
  }
  return text;
}

}  // namespace Zentu
