#include "engine/StatusInterface.h"

#include "engine/PDFXPreflight.h"

namespace Zentu {

StatusInterface::~StatusInterface() = default;

long StatusInterface::Progress(const char* text, long value, long max) {
  return Progress(std::string(text ? text : ""), value, max);
}

long HeadlessStatus::Progress(const std::string& text, long, long) {
  ++reports_;
  lastText_ = text;
  return cancelAt_ > 0 && reports_ >= cancelAt_ ? -1 : 0;
}

StringAnswer HeadlessStatus::AskString(const char*, const char*, const char* defaultValue) {
  StringAnswer answer;
  answer.text = defaultValue ? defaultValue : "";
  return answer;
}

int HeadlessStatus::CountResults(const std::bitset<10>& severities) {
  if (!walker_ || severities.none()) return -1;
  const std::vector<int>& open = walker_->GetOpenCounts();
  int count = 0;
  for (size_t s = 0; s < severities.size() && s < open.size(); ++s) {
    if (severities.test(s)) count += open[s];
  }
  return count;
}

}  // namespace Zentu
