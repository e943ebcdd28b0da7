// Fixed text and layout metrics of the headless dialog manager, so that
// layouts come out the same on every machine. They are those of an 8-point
// sans-serif dialog font:
//   - dialog units to pixels: x * 3 / 2 and y * 13 / 8, truncated;
//   - a character is 6 pixels wide ("&", which marks a mnemonic, counts
//     nothing) and a line 13 pixels high;
//   - the size an item needs for its text, width first: the widest line's
//     width + 10 by 8 + 13 a line (21 for one line; ten characters need 70);
//   - a list box's entries are 16 high; its vertical scrollbar is 16 wide,
//     and its list area lies 1 pixel inside the list box, left of the
//     scrollbar.
#pragma once
#include <algorithm>
#include <string>

#include "host/astypes.h"

namespace host {
namespace metrics {

constexpr ASInt32 kCharWidth = 6;
constexpr ASInt32 kLineHeight = 13;
constexpr ASInt32 kItemPaddingX = 10;
constexpr ASInt32 kItemPaddingY = 8;
constexpr ASInt32 kScreenWidth = 1024;
constexpr ASInt32 kScreenHeight = 768;
constexpr ASInt32 kListEntryHeight = 16;
constexpr ASInt32 kScrollbarWidth = 16;
constexpr ASInt32 kListInset = 1;

inline ASInt32 DialogUnitsToPixelsX(ASInt32 x) { return x * 3 / 2; }
inline ASInt32 DialogUnitsToPixelsY(ASInt32 y) { return y * 13 / 8; }

// Width of the widest line and the number of lines.
inline void TextExtent(const std::string& text, ASInt32* width, ASInt32* lines) {
  ASInt32 widest = 0, current = 0, count = 1;
  for (char c : text) {
    if (c == '\n') {
      widest = std::max(widest, current);
      current = 0;
      ++count;
    } else if (c != '&') {
      current += kCharWidth;
    }
  }
  *width = std::max(widest, current);
  *lines = count;
}

inline ASInt32 TextWidth(const std::string& text) {
  ASInt32 width, lines;
  TextExtent(text, &width, &lines);
  return width;
}

// The size an item needs to show its text.
inline void NeededSize(const std::string& text, ASInt32* width, ASInt32* height) {
  ASInt32 lines;
  TextExtent(text, width, &lines);
  *width += kItemPaddingX;
  *height = kItemPaddingY + kLineHeight * lines;
}

}  // namespace metrics
}  // namespace host
