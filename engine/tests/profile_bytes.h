// Small ICC profiles made byte by byte for the engine's tests: a header and
// a 'desc' tag, which is all the checks read.
#pragma once
#include <string>

namespace enginetest {

// A version 2 profile of that device class and colour space ("prtr",
// "CMYK"); an empty description leaves out the 'desc' tag.
std::string ProfileBytes(const char* deviceClass, const char* colorSpace, const std::string& description);

// The bytes as a PDF hex string body, for ASCIIHexDecode streams.
std::string Hex(const std::string& bytes);

}  // namespace enginetest
