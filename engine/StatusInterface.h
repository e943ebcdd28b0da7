// What the engine asks of the user interface that runs a check or a fix:
// progress with the chance to cancel, a string question, and the count of
// open results. The checker's user-interface object implements it; a
// headless run uses HeadlessStatus.
#pragma once
#include <bitset>
#include <string>

#include <boost/shared_ptr.hpp>

class PDFXPreflight;

namespace Zentu {

// The answer to a string question: 1 and the entered text when the user
// accepted, 0 and the default text otherwise.
struct StringAnswer {
  int answer = 0;
  std::string text;
};

class StatusInterface {
 public:
  virtual ~StatusInterface();

  // Shows the text and value out of max; 0 means go on, anything else cancel.
  virtual long Progress(const char* text, long value, long max);
  virtual long Progress(const std::string& text, long value, long max) = 0;
  virtual StringAnswer AskString(const char* title, const char* prompt, const char* defaultValue) = 0;
  // Open records of the last check whose severity is in the set, summed over
  // the set; -1 when there is no check to count or the set is empty.
  virtual int CountResults(const std::bitset<10>& severities) = 0;
};

// No one to show progress to or to ask: progress goes on unless a cancel was
// scheduled, questions answer "not accepted" with their default.
class HeadlessStatus : public StatusInterface {
 public:
  using StatusInterface::Progress;
  long Progress(const std::string& text, long value, long max) override;
  StringAnswer AskString(const char* title, const char* prompt, const char* defaultValue) override;
  int CountResults(const std::bitset<10>& severities) override;

  // From the given report on (1 is the first), Progress answers cancel; 0
  // never.
  void ScheduleCancel(long report) { cancelAt_ = report; }
  // The walker whose open counts CountResults sums.
  void SetWalker(const boost::shared_ptr<PDFXPreflight>& walker) { walker_ = walker; }

  long Reports() const { return reports_; }
  const std::string& LastText() const { return lastText_; }

 private:
  long cancelAt_ = 0;
  long reports_ = 0;
  std::string lastText_;
  boost::shared_ptr<PDFXPreflight> walker_;
};

}  // namespace Zentu
