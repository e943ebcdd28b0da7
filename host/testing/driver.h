// A driver for tests: it answers each waiting dialog and alert from a list of
// steps, and stops the run (DriverStop, naming the dialog) when the next step
// does not fit or there is none, so a test never hangs.
#pragma once
#include <deque>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialogs/manager.h"

namespace hosttest {

struct DriverStop : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class TestDriver : public host::Driver {
 public:
  // Installs itself as the host's driver; the destructor puts back none.
  TestDriver();
  ~TestDriver() override;
  TestDriver(const TestDriver&) = delete;
  TestDriver& operator=(const TestDriver&) = delete;

  // Steps, in order. `dialog` is the template number the step expects, 0
  // for any.
  TestDriver& Press(ASInt32 item, ASInt32 dialog = 0);
  TestDriver& SetText(ASInt32 item, const std::string& text, ASInt32 dialog = 0);
  TestDriver& Check(ASInt32 item, bool on, ASInt32 dialog = 0);
  TestDriver& Move(ASInt32 x, ASInt32 y);
  TestDriver& Resize(ASInt32 width, ASInt32 height);
  // Looks at the waiting dialog before the next step; not an action.
  TestDriver& Look(std::function<void(ADMDialogRef)> look);
  TestDriver& AnswerAlert(int button);
  // An entry of a pop-up or list box by index; a scrollbar's value.
  TestDriver& Choose(ASInt32 item, ASInt32 index, ASInt32 dialog = 0);
  TestDriver& Scroll(ASInt32 item, ASInt32 value, ASInt32 dialog = 0);
  // The next file chooser's answer: a path, a cancel or an error code.
  TestDriver& AnswerFile(const std::string& path);
  TestDriver& CancelFile();
  TestDriver& FailFile(ASUns32 code);
  // The colour picker's answer: a colour, or a cancel. The picker's colour
  // goes into Events() as "color R G B".
  TestDriver& AnswerColor(ASUns16 red, ASUns16 green, ASUns16 blue);
  TestDriver& CancelColor();
  // Not a step: a press of the item of the newest modeless dialog, queued
  // in the n-th pump round from now (1: the next).
  TestDriver& PressInRound(int n, ASInt32 item);

  size_t StepsLeft() const { return steps_.size(); }
  // "open 900", "close 900 1", "close 901" (modeless), in order.
  const std::vector<std::string>& Events() const { return events_; }

  void Act(ADMDialogRef dialog) override;
  int Alert(const host::AlertRequest& request) override;
  void Opened(const host::DialogView& dialog) override;
  void Closed(const host::DialogView& dialog, ASInt32 item) override;
  host::FileAnswer ChooseFile(const host::FileRequest& request) override;
  void FileChosen(const host::FileRequest& request, const host::FileAnswer& answer) override;
  void PumpRound(int round) override;
  bool ChooseColor(const ADMRGBColor& color, ADMRGBColor* chosen) override;

  // What the choosers asked and got: "save \"title\" \"name\" -> path".
  const std::vector<std::string>& Files() const { return files_; }

 private:
  enum class Kind { Press, SetText, Check, Move, Resize, Look, Alert, Choose, Scroll, File, Color };
  struct Step {
    explicit Step(Kind kind, ASInt32 item = 0, ASInt32 dialog = 0, std::string text = {}, ASInt32 a = 0, ASInt32 b = 0)
        : kind(kind), item(item), dialog(dialog), text(std::move(text)), a(a), b(b) {}
    Kind kind;
    ASInt32 item, dialog;
    std::string text;
    ASInt32 a, b;
    std::function<void(ADMDialogRef)> look;
  };
  TestDriver& Add(Step step);

  std::deque<Step> steps_;
  std::vector<std::string> events_;
  std::vector<std::string> files_;
  std::vector<std::pair<int, ASInt32>> presses_;  // (pump round, item)
};

}  // namespace hosttest
