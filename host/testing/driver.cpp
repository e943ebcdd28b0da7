#include "testing/driver.h"

namespace hosttest {
namespace {

std::string Named(const host::DialogView& d) { return "dialog " + std::to_string(d.number) + " \"" + d.title + "\""; }

}  // namespace

TestDriver::TestDriver() { host::SetDriver(this); }
TestDriver::~TestDriver() {
  if (host::CurrentDriver() == this) host::SetDriver(nullptr);
}

TestDriver& TestDriver::Add(Step step) {
  steps_.push_back(std::move(step));
  return *this;
}

TestDriver& TestDriver::Press(ASInt32 item, ASInt32 dialog) { return Add(Step(Kind::Press, item, dialog)); }
TestDriver& TestDriver::SetText(ASInt32 item, const std::string& text, ASInt32 dialog) {
  return Add(Step(Kind::SetText, item, dialog, text));
}
TestDriver& TestDriver::Check(ASInt32 item, bool on, ASInt32 dialog) {
  return Add(Step(Kind::Check, item, dialog, "", on ? 1 : 0));
}
TestDriver& TestDriver::Move(ASInt32 x, ASInt32 y) { return Add(Step(Kind::Move, 0, 0, "", x, y)); }
TestDriver& TestDriver::Resize(ASInt32 width, ASInt32 height) {
  return Add(Step(Kind::Resize, 0, 0, "", width, height));
}
TestDriver& TestDriver::Look(std::function<void(ADMDialogRef)> look) {
  Step step{Kind::Look};
  step.look = std::move(look);
  return Add(std::move(step));
}
TestDriver& TestDriver::AnswerAlert(int button) { return Add(Step(Kind::Alert, 0, 0, "", button)); }
TestDriver& TestDriver::Choose(ASInt32 item, ASInt32 index, ASInt32 dialog) {
  return Add(Step(Kind::Choose, item, dialog, "", index));
}
TestDriver& TestDriver::Scroll(ASInt32 item, ASInt32 value, ASInt32 dialog) {
  return Add(Step(Kind::Scroll, item, dialog, "", value));
}
TestDriver& TestDriver::AnswerFile(const std::string& path) {
  return Add(Step(Kind::File, 0, 0, path, host::FileAnswer::Chosen));
}
TestDriver& TestDriver::CancelFile() { return Add(Step(Kind::File, 0, 0, "", host::FileAnswer::Cancelled)); }
TestDriver& TestDriver::FailFile(ASUns32 code) {
  return Add(Step(Kind::File, 0, 0, "", host::FileAnswer::Failed, static_cast<ASInt32>(code)));
}
TestDriver& TestDriver::AnswerColor(ASUns16 red, ASUns16 green, ASUns16 blue) {
  return Add(Step(Kind::Color, red, 0, "", green, blue));
}
TestDriver& TestDriver::CancelColor() { return Add(Step(Kind::Color, 0, 0, "cancel")); }

bool TestDriver::ChooseColor(const ADMRGBColor& color, ADMRGBColor* chosen) {
  events_.push_back("color " + std::to_string(color.red) + " " + std::to_string(color.green) + " " +
                    std::to_string(color.blue));
  if (steps_.empty() || steps_.front().kind != Kind::Color) throw DriverStop("no answer for the colour picker");
  Step step = steps_.front();
  steps_.pop_front();
  if (step.text == "cancel") return false;
  *chosen = ADMRGBColor{static_cast<ASUns16>(step.item), static_cast<ASUns16>(step.a), static_cast<ASUns16>(step.b)};
  return true;
}

TestDriver& TestDriver::PressInRound(int n, ASInt32 item) {
  presses_.emplace_back(host::PumpRounds() + n, item);
  return *this;
}

void TestDriver::Act(ADMDialogRef dialog) {
  for (;;) {
    host::DialogView view = host::DescribeDialog(dialog);
    if (steps_.empty()) throw DriverStop("no step for " + Named(view));
    Step step = steps_.front();
    steps_.pop_front();
    if (step.dialog && step.dialog != view.number)
      throw DriverStop("a step for dialog " + std::to_string(step.dialog) + " met " + Named(view));
    if (step.kind == Kind::Look) {
      step.look(dialog);
      continue;
    }
    if (step.kind == Kind::Alert || step.kind == Kind::File || step.kind == Kind::Color) throw DriverStop("a prompt's answer met " + Named(view));
    std::string why;
    bool done = false;
    if (step.kind == Kind::Move) {
      done = host::MoveDialog(dialog, step.a, step.b, &why);
    } else if (step.kind == Kind::Resize) {
      done = host::ResizeDialog(dialog, step.a, step.b, &why);
    } else {
      ADMItemRef item = nullptr;
      for (auto& i : view.items)
        if (i.id == step.item && !item) item = i.ref;
      if (!item) throw DriverStop(Named(view) + " has no item " + std::to_string(step.item));
      if (step.kind == Kind::Press) done = host::PressItem(item, &why);
      if (step.kind == Kind::SetText) done = host::SetItemText(item, step.text, &why);
      if (step.kind == Kind::Check) done = host::CheckItem(item, step.a != 0, &why);
      if (step.kind == Kind::Choose) done = host::ChooseEntry(item, step.a, &why);
      if (step.kind == Kind::Scroll) done = host::ScrollItem(item, step.a, &why);
    }
    if (!done) throw DriverStop(why + " in " + Named(view));
    return;
  }
}

int TestDriver::Alert(const host::AlertRequest& request) {
  if (request.kind == 0) {
    events_.push_back("note " + request.message);
    return 1;
  }
  if (steps_.empty() || steps_.front().kind != Kind::Alert) throw DriverStop("no answer for the alert \"" + request.message + "\"");
  int button = steps_.front().a;
  steps_.pop_front();
  return button;
}

host::FileAnswer TestDriver::ChooseFile(const host::FileRequest& request) {
  if (steps_.empty() || steps_.front().kind != Kind::File) throw DriverStop("no answer for the chooser \"" + request.title + "\"");
  Step step = steps_.front();
  steps_.pop_front();
  return host::FileAnswer{static_cast<host::FileAnswer::Kind>(step.a), step.text, static_cast<ASUns32>(step.b)};
}

void TestDriver::FileChosen(const host::FileRequest& request, const host::FileAnswer& answer) {
  std::string result = answer.kind == host::FileAnswer::Chosen      ? answer.path
                       : answer.kind == host::FileAnswer::Cancelled ? "cancel"
                                                                    : "error " + std::to_string(answer.code);
  files_.push_back(std::string(request.save ? "save" : "open") + " \"" + request.title + "\" \"" + request.suggested +
                   "\" -> " + result);
}

void TestDriver::PumpRound(int round) {
  for (auto it = presses_.begin(); it != presses_.end();) {
    if (it->first != round) {
      ++it;
      continue;
    }
    ASInt32 id = it->second;
    it = presses_.erase(it);
    ADMItemRef item = nullptr;
    auto open = host::OpenDialogs();
    for (auto d = open.rbegin(); d != open.rend() && !item; ++d) {
      host::DialogView view = host::DescribeDialog(*d);
      if (view.modal) continue;
      for (auto& i : view.items)
        if (i.id == id && !item) item = i.ref;
    }
    std::string why = "no modeless dialog has item " + std::to_string(id);
    if (!item || !host::QueuePress(item, &why)) throw DriverStop(why);
  }
}

void TestDriver::Opened(const host::DialogView& dialog) { events_.push_back("open " + std::to_string(dialog.number)); }

void TestDriver::Closed(const host::DialogView& dialog, ASInt32 item) {
  events_.push_back("close " + std::to_string(dialog.number) + (dialog.modal ? " " + std::to_string(item) : ""));
}

}  // namespace hosttest
