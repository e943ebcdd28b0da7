// Splits a text at any of the separator characters. Runs of separators give
// no empty piece, so an empty text gives no piece at all.
#pragma once
#include <string>
#include <vector>

std::vector<std::string> SplitString(const std::string& text, const std::string& separators);
