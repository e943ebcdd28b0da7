#include "alternates/Progress.h"

#include <limits>

#include "host/calls.h"

namespace {
ASInt32 Saturated(int64_t n) {
  if (n < 0) return 0;
  if (n > std::numeric_limits<ASInt32>::max()) return std::numeric_limits<ASInt32>::max();
  return static_cast<ASInt32>(n);
}
}  // namespace

Progress* Progress::Get() {
  static Progress* instance = nullptr;
  if (!instance) instance = new Progress;
  return instance;
}

void Progress::Begin() {
  data_ = nullptr;
  monitor_ = AVAppGetDocProgressMonitor(&data_);
  if (monitor_ && monitor_->beginOperation) monitor_->beginOperation(data_);
}

void Progress::End() {
  if (monitor_ && monitor_->endOperation) monitor_->endOperation(data_);
  monitor_ = nullptr;
  data_ = nullptr;
}

void Progress::SetDuration(int64_t steps) {
  if (monitor_ && monitor_->setDuration) monitor_->setDuration(Saturated(steps), data_);
}

void Progress::SetValue(int64_t value) {
  if (monitor_ && monitor_->setCurrValue) monitor_->setCurrValue(Saturated(value), data_);
}

void Progress::SetText(const char* text) {
  if (monitor_ && monitor_->size >= sizeof(AVProgressMonitorRec) && monitor_->setText) monitor_->setText(text, data_);
}

ASInt32 Progress::GetValue() {
  return monitor_ && monitor_->getCurrValue ? monitor_->getCurrValue(data_) : 0;
}

ProgressOperation::ProgressOperation(int64_t duration) : progress_(Progress::Get()) {
  if (!progress_) return;
  progress_->Begin();
  progress_->SetDuration(duration);
  progress_->SetValue(0);
}

ProgressOperation::~ProgressOperation() {
  if (progress_) progress_->End();
}
