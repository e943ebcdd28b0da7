// The host's document progress monitor, for the image operations: begin,
// set the number of steps, advance, end. Without a monitor (the host gave
// none, or no operation is under way) every call does nothing.
#pragma once
#include <cstdint>

#include "common/CSafeAlloc.h"
#include "host/astypes.h"

class Progress : public CSafeAlloc {
 public:
  // Made on first use in the host's memory and never freed; none when the
  // host had no memory for it.
  static Progress* Get();

  // Asks the host for the monitor, then begins its operation.
  void Begin();
  // Ends the operation and forgets the monitor; harmless twice.
  void End();
  // Counts wider than the monitor's saturate at its 32-bit range.
  void SetDuration(int64_t steps);
  void SetValue(int64_t value);
  // 0 without a monitor.
  ASInt32 GetValue();
  void Advance(int64_t steps) { SetValue(static_cast<int64_t>(GetValue()) + steps); }
  // The item under way, where the monitor shows a text.
  void SetText(const char* text);

 private:
  Progress() = default;
  AVProgressMonitor monitor_ = nullptr;
  void* data_ = nullptr;
};

// One operation, begun with its duration and the value 0, and ended
// whatever leaves the scope.
class ProgressOperation {
 public:
  explicit ProgressOperation(int64_t duration);
  ~ProgressOperation();
  ProgressOperation(const ProgressOperation&) = delete;
  ProgressOperation& operator=(const ProgressOperation&) = delete;
  // None when the host had no memory for the progress object.
  Progress* progress() const { return progress_; }

 private:
  Progress* progress_;
};
