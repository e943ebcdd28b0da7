#include "app/session.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace plughost {
namespace {

// A step that cannot be carried out where it stands. Thrown and caught in
// this file only, never across plug-in code.
struct StepError {
  std::string why;
};

[[noreturn]] void Refuse(const std::string& why) { throw StepError{why}; }

std::string DialogName(const host::DialogView& view) {
  return "dialog " + std::to_string(view.number) + " " + Quoted(view.title);
}

std::string PromptName(const host::AlertRequest& request) {
  return (request.kind == 1 ? "the confirmation " : "the alert ") + Quoted(request.message);
}

std::string Buttons(const host::AlertRequest& request) {
  std::string out;
  for (size_t i = 0; i < request.buttons.size(); ++i) out += (i ? "|" : "") + ButtonText(request.buttons[i]);
  return "[" + out + "]";
}

// "ADM Text Push Button Type" reads "push button".
std::string KindName(std::string type) {
  for (const char* prefix : {"ADM ", "Text "})
    if (type.compare(0, std::strlen(prefix), prefix) == 0) type.erase(0, std::strlen(prefix));
  if (type.size() > 5 && type.compare(type.size() - 5, 5, " Type") == 0) type.erase(type.size() - 5);
  std::transform(type.begin(), type.end(), type.begin(), [](unsigned char c) { return std::tolower(c); });
  return type;
}

// The name each item answers to: its identifier, or ID#n when several
// items share it.
std::vector<std::string> ItemNames(const host::DialogView& view) {
  std::vector<std::string> names;
  for (const auto& item : view.items) {
    int count = 0, nth = 0;
    for (const auto& other : view.items) {
      if (other.id != item.id) continue;
      ++count;
      if (&other <= &item) ++nth;
    }
    names.push_back(std::to_string(item.id) + (count > 1 ? "#" + std::to_string(nth) : ""));
  }
  return names;
}

std::string JoinNames(const std::vector<std::string>& names) {
  std::string out;
  for (size_t i = 0; i < names.size(); ++i) out += (i ? (i + 1 == names.size() ? " and " : ", ") : "") + names[i];
  return out;
}

// The item a step names: by identifier when one item has it, by ID#n, or by
// its text without "&" when exactly one item has it.
size_t FindItem(const host::DialogView& view, const Arg& name) {
  std::vector<std::string> names = ItemNames(view);
  std::vector<size_t> found;
  if (!name.quoted) {
    size_t hash = name.text.find('#');
    Arg id{name.text.substr(0, hash)};
    if (hash != std::string::npos && id.IsNumber() && Arg{name.text.substr(hash + 1)}.IsNumber()) {
      for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name.text) return i;
      Refuse(DialogName(view) + " has no item " + name.text);
    }
    if (name.IsNumber()) {
      for (size_t i = 0; i < view.items.size(); ++i)
        if (view.items[i].id == name.Number()) found.push_back(i);
      if (found.size() == 1) return found[0];
      if (found.size() > 1) {
        std::vector<std::string> which;
        for (size_t i : found) which.push_back(names[i]);
        Refuse("item " + name.text + " of " + DialogName(view) + " is ambiguous: " + JoinNames(which));
      }
    }
  }
  for (size_t i = 0; i < view.items.size(); ++i)
    if (WithoutAmpersands(view.items[i].text) == name.text) found.push_back(i);
  if (found.size() == 1) return found[0];
  if (found.empty()) Refuse(DialogName(view) + " has no item " + Quoted(name.text));
  std::vector<std::string> which;
  for (size_t i : found) which.push_back(names[i]);
  Refuse("the text " + Quoted(name.text) + " names items " + JoinNames(which) + " of " + DialogName(view));
}

// The dialog a step of a dialog acts on: the innermost modal run's, else the
// newest modeless dialog that shows.
ADMDialogRef InnermostDialog() {
  if (ADMDialogRef modal = host::InnermostModalDialog()) return modal;
  auto open = host::OpenDialogs();
  for (auto it = open.rbegin(); it != open.rend(); ++it)
    if (host::DescribeDialog(*it).visible) return *it;
  return nullptr;
}

// The file's absolute path, through the real path of its folder.
std::string AbsolutePath(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  char real[PATH_MAX];
  if (!::realpath(folder.c_str(), real)) return path;
  std::string out = real;
  return (out == "/" ? "" : out) + "/" + path.substr(slash == std::string::npos ? 0 : slash + 1);
}

}  // namespace

std::string HostError(ASErrorCode code) {
  std::string text = host::ErrorText(code);
  const std::string& detail = host::LastFailureDetail();
  if (!detail.empty()) text += " (" + detail + ")";
  return text;
}

// Transcript --------------------------------------------------------------------
void Transcript::Print(const std::string& line) {
  std::cout << line << '\n' << std::flush;
}

void Transcript::Event(const std::string& line) {
  if (quiet_)
    held_.push_back(line);
  else
    Print(line);
}

void Transcript::Frame(const std::string& line) {
  if (!brief_) Event(line);
}

void Transcript::Listing(const std::string& line) {
  if (!brief_) Print(line);
}

void Transcript::Quiet(bool on) {
  if (!on) held_.clear();
  quiet_ = on;
}

void Transcript::PrintHeld() {
  for (const std::string& line : held_) Print(line);
  held_.clear();
}

// Reading steps -------------------------------------------------------------------
Session::Session(std::deque<Line> lines, bool interactive, bool brief)
    : out_(brief), lines_(std::move(lines)), interactive_(interactive) {}

void Session::Stop(const std::string& reason) {
  out_.PrintHeld();
  std::cout << std::flush;
  std::cerr << "plughost: " << reason << std::endl;
  std::_Exit(2);
}

// Input that is not a terminal is read only at a prompt, and echoed after
// it, so that standard error reads as the session would at a terminal.
bool Session::ReadLine(Place place, Line* line, bool* typed) {
  *typed = false;
  if (!lines_.empty()) {
    *line = lines_.front();
    lines_.pop_front();
    return true;
  }
  if (!interactive_) return false;
  if (listing_) {
    listing_ = false;
    List(place);
  }
  bool terminal = ::isatty(STDIN_FILENO);
  std::cerr << "> " << std::flush;
  std::string text;
  if (!std::getline(std::cin, text)) {
    std::cerr << std::endl;
    return false;
  }
  if (!terminal) std::cerr << text << std::endl;
  *line = Line{text, "input"};
  *typed = true;
  return true;
}

bool Session::Next(Place place, Step* step) {
  for (;;) {
    Line line;
    bool typed = false;
    if (!ReadLine(place, &line, &typed)) return false;
    std::string why;
    Parsed parsed = ParseStep(line.text, step, &why);
    step->where = line.where;
    step->typed = typed;
    if (parsed == Parsed::Empty) continue;
    if (parsed == Parsed::Error) {
      Failed(why, *step);
      continue;
    }
    try {
      if (Structure(*step)) continue;
    } catch (const StepError& e) {
      Failed(e.why, *step);
      continue;
    }
    if (!blocks_.empty() && !blocks_.back().taking) continue;
    return true;
  }
}

void Session::Failed(const std::string& why, const Step& step) {
  if (!step.typed) Stop(why + " (" + step.where + ")");
  std::cout << std::flush;
  std::cerr << "plughost: " << why << std::endl;
}

// `if`, `else` and `end` close their blocks wherever they stand; the steps
// of a branch not taken are read and skipped.
bool Session::Structure(const Step& step) {
  if (step.verb == "if enabled %") {
    bool skipping = !blocks_.empty() && !blocks_.back().taking;
    if (skipping) {
      blocks_.push_back(Block{false, true, false});
      return true;
    }
    ADMDialogRef dialog = InnermostDialog();
    if (!dialog) Refuse("\"" + step.line + "\" needs a dialog, and none is open");
    host::DialogView view = host::DescribeDialog(dialog);
    blocks_.push_back(Block{view.items[FindItem(view, step.args[0])].enabled, false, false});
    return true;
  }
  if (step.verb == "else") {
    if (blocks_.empty() || blocks_.back().sawElse) Refuse("\"else\" without its \"if\"");
    Block& block = blocks_.back();
    block.sawElse = true;
    if (!block.dead) block.taking = !block.taking;
    return true;
  }
  if (step.verb == "end") {
    if (blocks_.empty()) Refuse("\"end\" without its \"if\"");
    blocks_.pop_back();
    return true;
  }
  return false;
}

bool Session::Anywhere(const Step& step) {
  if (step.verb == "quiet on" || step.verb == "quiet off") {
    out_.Quiet(step.verb == "quiet on");
  } else if (step.verb.compare(0, 7, "always ") == 0) {
    // A later `always` of the same kind ("confirm", "alert") replaces it.
    standing_[step.verb.substr(7, step.verb.find(' ', 7) - 7)] = step;
  } else {
    return false;
  }
  return true;
}

// What waits, listed before the terminal's prompt.
void Session::List(Place place) {
  if (place == Place::Prompt && pending_) {
    out_.Listing("ASK " + std::string(pending_->kind == 1 ? "CONFIRM: " : "ALERT: ") + Escaped(pending_->message) + " " +
                 Buttons(*pending_));
  } else if (ADMDialogRef dialog = place == Place::Prompt ? nullptr : InnermostDialog()) {
    ListDialog(host::DescribeDialog(dialog), true);
  }
}

void Session::ListDialog(const host::DialogView& view, bool listing) {
  auto print = [&](const std::string& line) { listing ? out_.Listing(line) : out_.Event(line); };
  print("ITEMS " + std::to_string(view.number) + " " + Quoted(view.title) + (view.modal ? "" : " modeless"));
  std::vector<std::string> names = ItemNames(view);
  for (size_t i = 0; i < view.items.size(); ++i) {
    const host::ItemView& item = view.items[i];
    std::string kind = KindName(item.type);
    std::string states;
    if (kind.find("check box") != std::string::npos || kind.find("radio button") != std::string::npos)
      states += item.on ? " on" : " off";
    if (!item.enabled) states += " disabled";
    if (!item.visible) states += " hidden";
    print("  " + names[i] + " " + kind + " " + Quoted(item.text) + states);
  }
}

// Top level ---------------------------------------------------------------------
// The last guard around plug-in code that the host calls from top level:
// what escapes it is shown as a note, as the plug-in's own entries would.
template <class Body>
void Session::Guarded(Body&& body) {
  try {
    body();
  } catch (const ASHostRaise& e) {
    out_.Event("NOTE: " + Escaped(HostError(e.code)));
  } catch (const std::exception& e) {
    out_.Event("NOTE: " + Escaped(e.what()));
  } catch (...) {
    out_.Event("NOTE: an exception left the plug-in");
  }
}

void Session::Run() {
  for (;;) {
    listing_ = true;
    Step step;
    if (!Next(Place::Top, &step)) return;
    if (Anywhere(step)) continue;
    if (step.verb == "quit" || step.verb == "exit") return;
    try {
      if (step.place == Place::Top) {
        Top(step);
      } else if (step.place == Place::Dialog) {
        ADMDialogRef dialog = InnermostDialog();
        if (!dialog) Refuse("\"" + step.line + "\" needs a dialog, and none is open");
        InDialog(step, dialog);
      } else {
        Refuse("\"" + step.line + "\" answers a prompt, and none waits");
      }
    } catch (const StepError& e) {
      Failed(e.why, step);
    }
  }
}

void Session::Top(const Step& step) {
  const std::string& arg = step.args.empty() ? std::string() : step.args[0].text;
  if (step.verb == "menu %") {
    RunMenu(step);
  } else if (step.verb == "open %") {
    try {
      host::OpenInView(arg);
    } catch (const ASHostRaise& e) {
      Refuse("cannot open " + arg + ": " + HostError(e.code));
    }
  } else if (step.verb == "save %") {
    Save(arg);
  } else if (step.verb == "print menus") {
    PrintMenus();
  }
}

void Session::RunMenu(const Step& step) {
  const std::string& name = step.args[0].text;
  std::string target;
  std::vector<std::string> titled;
  for (const auto& item : host::MenuItems()) {
    if (item.name == name) target = name;
    if (WithoutAmpersands(item.title) == name) titled.push_back(item.name);
  }
  if (target.empty() && !step.bare && titled.size() > 1)
    Refuse("the title " + Quoted(name) + " names the menu items " + JoinNames(titled));
  if (target.empty() && !step.bare && titled.size() == 1) target = titled[0];
  if (target.empty()) {
    // The first argument may have been meant as the document.
    if (step.bare && step.where == "argument 1") Refuse(Quoted(name) + " is not a PDF file or a menu item");
    Refuse(step.bare ? "no verb or menu item named " + Quoted(name) : "no menu item named " + Quoted(name));
  }
  bool ran = true;
  std::string why;
  Guarded([&] { ran = host::ExecuteMenuItem(target, &why); });
  if (!ran) Refuse(why);
}

void Session::Save(const std::string& path) {
  AVDoc doc = host::ActiveViewDocument();
  if (!doc) Refuse("save: no document is open");
  try {
    host::SaveDocument(host::ViewPDDoc(doc), path);
  } catch (const ASHostRaise& e) {
    Refuse("cannot save " + path + ": " + HostError(e.code));
  } catch (const std::exception& e) {
    Refuse("cannot save " + path + ": " + e.what());
  }
  out_.Event("SAVED: " + Escaped(AbsolutePath(path)));
}

void Session::PrintMenus() {
  std::vector<host::MenuEntry> tree;
  Guarded([&] { tree = host::MenuTree(); });
  for (const auto& entry : tree) {
    std::string line = std::string(static_cast<size_t>(entry.depth) * 2, ' ');
    line += (entry.menu ? "MENU " : "") + entry.name + " " + Quoted(WithoutAmpersands(entry.title));
    out_.Event(line + (entry.enabled ? "" : " disabled"));
  }
}

// Dialogs -----------------------------------------------------------------------
bool Session::InDialog(const Step& step, ADMDialogRef dialog) {
  host::DialogView view = host::DescribeDialog(dialog);
  if (step.verb == "expect dialog #+") {
    std::string wanted;
    for (const Arg& arg : step.args) {
      if (arg.Number() == view.number) return false;
      wanted += (wanted.empty() ? "" : " or ") + arg.text;
    }
    Refuse("expected dialog " + wanted + ", and " + DialogName(view) + " waits");
  }
  if (step.verb == "print dialog") {
    ListDialog(view, false);
    return false;
  }
  if (step.verb == "move # #" || step.verb == "resize # #") {
    std::string why;
    bool done = true;
    auto act = [&] {
      done = step.verb == "move # #" ? host::MoveDialog(dialog, step.args[0].Number(), step.args[1].Number(), &why)
                                     : host::ResizeDialog(dialog, step.args[0].Number(), step.args[1].Number(), &why);
    };
    view.modal ? act() : Guarded(act);
    if (!done) Refuse(why + " in " + DialogName(view));
    return true;
  }
  size_t index = FindItem(view, step.args[0]);
  const host::ItemView& item = view.items[index];
  if (step.verb == "print item @ ?") {
    std::string label = step.args.size() > 1 ? step.args[1].text : "ITEM " + ItemNames(view)[index];
    out_.Event(label + ": " + Escaped(item.text));
    return false;
  }
  std::string why;
  bool done = true;
  auto act = [&] {
    if (step.verb == "press %") done = host::PressItem(item.ref, &why);
    if (step.verb == "set @ %") done = host::SetItemText(item.ref, step.args[1].text, &why);
    if (step.verb == "check @ on" || step.verb == "check @ off")
      done = host::CheckItem(item.ref, step.verb == "check @ on", &why);
  };
  // A modal run carries what its procedures throw to the code that opened
  // the dialog; a modeless dialog's procedures are entered from here.
  view.modal ? act() : Guarded(act);
  if (!done) Refuse(why + " in " + DialogName(view));
  return true;
}

void Session::Act(ADMDialogRef dialog) {
  listing_ = true;
  for (;;) {
    Step step;
    if (!Next(Place::Dialog, &step)) Stop("the steps end while " + DialogName(host::DescribeDialog(dialog)) + " waits");
    if (Anywhere(step)) continue;
    try {
      if (step.place != Place::Dialog)
        Refuse("\"" + step.line + "\" does not fit while " + DialogName(host::DescribeDialog(dialog)) + " waits");
      if (InDialog(step, dialog)) return;
    } catch (const StepError& e) {
      Failed(e.why, step);
    }
  }
}

void Session::Opened(const host::DialogView& dialog) {
  out_.Frame("DIALOG " + std::to_string(dialog.number) + " " + Quoted(dialog.title) + (dialog.modal ? "" : " modeless"));
}

void Session::Closed(const host::DialogView& dialog, ASInt32 item) {
  out_.Frame("CLOSED " + std::to_string(dialog.number) + (item == kADMNoItem ? "" : " " + std::to_string(item)));
}

// Prompts -----------------------------------------------------------------------
// The button an `answer` or `always` step gives the prompt.
int Session::Answer(const Step& step, const host::AlertRequest& request) {
  bool confirm = step.verb.find(" confirm ") != std::string::npos;
  if (confirm != (request.kind == 1))
    Refuse("\"" + step.line + "\" does not fit while " + PromptName(request) + " waits");
  if (confirm) return step.verb.compare(step.verb.size() - 3, 3, " ok") == 0 ? 1 : 2;
  const Arg& answer = step.args[0];
  int count = static_cast<int>(request.buttons.size());
  if (answer.IsNumber()) {
    if (answer.Number() >= 1 && answer.Number() <= count) return answer.Number();
  } else {
    for (int i = 0; i < count; ++i)
      if (request.buttons[static_cast<size_t>(i)] == answer.text ||
          WithoutAmpersands(request.buttons[static_cast<size_t>(i)]) == answer.text)
        return i + 1;
  }
  Refuse(PromptName(request) + " has no button " + (answer.IsNumber() ? answer.text : Quoted(answer.text)));
}

int Session::Standing(const host::AlertRequest& request) {
  auto it = standing_.find(request.kind == 1 ? "confirm" : "alert");
  if (it == standing_.end()) return 0;
  try {
    return Answer(it->second, request);
  } catch (const StepError& e) {
    Failed(e.why, it->second);
    standing_.erase(it);  // at the terminal, the person answers instead
    return 0;
  }
}

int Session::Alert(const host::AlertRequest& request) {
  if (request.kind == 0) {
    out_.Event("NOTE: " + Escaped(request.message));
    return 1;
  }
  const host::AlertRequest* outer = pending_;
  pending_ = &request;
  listing_ = true;
  int button = Standing(request);
  while (!button) {
    Step step;
    if (!Next(Place::Prompt, &step)) Stop("the steps end while " + PromptName(request) + " waits");
    if (Anywhere(step)) {
      button = Standing(request);
      continue;
    }
    try {
      if (step.place != Place::Prompt)
        Refuse("\"" + step.line + "\" does not fit while " + PromptName(request) + " waits");
      button = Answer(step, request);
    } catch (const StepError& e) {
      Failed(e.why, step);
    }
  }
  pending_ = outer;
  if (request.kind == 1)
    out_.Event("CONFIRM: " + Escaped(request.message) + " -> " + (button == 1 ? "OK" : "Cancel"));
  else
    out_.Event("ALERT: " + Escaped(request.message) + " " + Buttons(request) + " -> " +
               ButtonText(request.buttons[static_cast<size_t>(button) - 1]));
  return button;
}

}  // namespace plughost
