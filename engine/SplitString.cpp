#include "engine/SplitString.h"

std::vector<std::string> SplitString(const std::string& text, const std::string& separators) {
  std::vector<std::string> pieces;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(separators, start);
    if (end == std::string::npos) end = text.size();
    if (end > start) pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}
