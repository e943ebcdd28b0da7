#include "profile_bytes.h"

#include <cstdint>
#include <cstdio>

namespace enginetest {

namespace {

void Put32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
}

void PutSig(std::string& b, size_t at, const char* sig) {
  for (int i = 0; i < 4; ++i) b[at + i] = sig[i];
}

}  // namespace

std::string ProfileBytes(const char* deviceClass, const char* colorSpace, const std::string& description) {
  const bool withDesc = !description.empty();
  // The 'desc' type: signature, reserved, ASCII count and text, Unicode
  // language and count (none), ScriptCode code, count and 67 bytes.
  std::string desc;
  if (withDesc) {
    desc.assign(12, '\0');
    PutSig(desc, 0, "desc");
    Put32(desc, 8, static_cast<uint32_t>(description.size() + 1));
    desc += description;
    desc += '\0';
    desc.append(8 + 3 + 67, '\0');
    while (desc.size() % 4) desc += '\0';
  }
  const size_t tableSize = 4 + (withDesc ? 12 : 0);
  std::string b(128 + tableSize, '\0');
  b += desc;
  Put32(b, 0, static_cast<uint32_t>(b.size()));
  b[8] = 0x02;
  b[9] = 0x10;
  PutSig(b, 12, deviceClass);
  PutSig(b, 16, colorSpace);
  PutSig(b, 20, "Lab ");
  b[24] = 0x07;  // the year 2000
  b[25] = static_cast<char>(0xD0);
  b[27] = 1;  // January
  b[29] = 1;  // the first
  PutSig(b, 36, "acsp");
  Put32(b, 68, 0x0000F6D6);  // D50 illuminant
  Put32(b, 72, 0x00010000);
  Put32(b, 76, 0x0000D32D);
  Put32(b, 128, withDesc ? 1 : 0);
  if (withDesc) {
    PutSig(b, 132, "desc");
    Put32(b, 136, static_cast<uint32_t>(128 + tableSize));
    Put32(b, 140, static_cast<uint32_t>(desc.size()));
  }
  return b;
}

std::string Hex(const std::string& bytes) {
  std::string text;
  char two[3];
  for (unsigned char c : bytes) {
    std::snprintf(two, sizeof two, "%02X", c);
    text += two;
  }
  return text + ">";
}

}  // namespace enginetest
