// The text form of a Cos object and what it holds, down to a maximum depth,
// for messages and reports. The format is fixed byte for byte.
#pragma once
#include <string>

#include "common/MyCosObj.h"

class CosValueText {
 public:
  // maxDepth 0 means no limit. Host failures pass out as Zentu::AcrobatException.
  CosValueText(const CosObj& obj, ASInt32 maxDepth, ASInt32 depth);
  // An unset wrapper gives the null text.
  static CosValueText FromObject(const MyCosObj& obj, ASInt32 maxDepth, ASInt32 depth);

  const std::string& Text() const { return text_; }
  // The text without the "/" of a name or the parentheses of a string.
  std::string Unquoted() const;

  // The whole text never grows past this; a cut text ends in the depth marker.
  static constexpr size_t kMaxText = 64 * 1024;
  // Nesting below the starting depth past this is cut like the maximum depth:
  // each level takes stack, and objects built in memory can nest without end.
  static constexpr ASInt32 kMaxNesting = 4096;

  struct Walk;  // the state of one text being built

 private:
  static void Append(Walk& walk, const MyCosObj& obj, ASInt32 depth);

  MyCosObj obj_;
  std::string text_;
  ASInt32 depth_;
  ASInt32 maxDepth_;
  bool cut_ = false;  // the cap ended the text
};
