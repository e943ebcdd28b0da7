#include "app/session.h"
#include "app/router.h"

#include <limits.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

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

std::string ChooserName(const host::FileRequest& request) {
  return std::string(request.save ? "the save" : "the open") + " chooser " + Quoted(request.title);
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

// The newest modeless dialog that shows.
ADMDialogRef ModelessDialog() {
  auto open = host::OpenDialogs();
  for (auto it = open.rbegin(); it != open.rend(); ++it) {
    host::DialogView view = host::DescribeDialog(*it);
    if (view.visible && !view.modal) return *it;
  }
  return nullptr;
}

// The modeless dialog `with` chose; none once it has closed.
ADMDialogRef gWith = nullptr;

ADMDialogRef ChosenDialog() {
  if (!gWith) return nullptr;
  auto open = host::OpenDialogs();
  if (std::find(open.begin(), open.end(), gWith) == open.end()) gWith = nullptr;
  return gWith;
}

// The dialog a step of a dialog acts on: the innermost modal run's, else the
// modeless one `with` chose, else the newest modeless dialog that shows.
ADMDialogRef InnermostDialog() {
  if (ADMDialogRef modal = host::InnermostModalDialog()) return modal;
  if (ADMDialogRef chosen = ChosenDialog()) return chosen;
  return ModelessDialog();
}

// `with DIALOG`: the one open modeless dialog of that template number,
// title or creation name.
void ChooseDialog(const Arg& which) {
  std::vector<ADMDialogRef> fitting;
  std::vector<std::string> names;
  for (ADMDialogRef ref : host::OpenDialogs()) {
    host::DialogView view = host::DescribeDialog(ref);
    if (view.modal || !view.visible) continue;
    if ((which.IsNumber() && which.Number() == view.number) || view.name == which.text ||
        WithoutAmpersands(view.title) == which.text || view.title == which.text) {
      fitting.push_back(ref);
      names.push_back(DialogName(view));
    }
  }
  if (fitting.empty()) Refuse("with: no open modeless dialog is " + Quoted(which.text));
  if (fitting.size() > 1) {
    std::string all;
    for (const auto& name : names) all += (all.empty() ? "" : ", ") + name;
    Refuse("with: " + Quoted(which.text) + " fits several dialogs: " + all);
  }
  gWith = fitting[0];
}

// A plug-in's note as the reason of a stop, in plain words: the lines of an
// exception that name the code and the object where it was raised are left
// out, the host's own words for the failure stay.
std::string PlainNote(const std::string& note) {
  static const std::string kBreak = "\\n";  // a line feed as the transcript writes it
  if (note.compare(0, 13, "Exception in ") != 0) return note;
  std::string plain;
  size_t at = note.find(kBreak);
  while (at != std::string::npos) {
    const size_t start = at + kBreak.size(), end = note.find(kBreak, start);
    const std::string line = note.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (line.compare(0, 12, " for object ") != 0 && !line.empty()) plain += (plain.empty() ? "" : "; ") + line;
    at = end;
  }
  return plain;
}

// A working dialog's text as one line of the terminal shows it: its first.
std::string FirstLine(const std::string& text) { return Escaped(text.substr(0, text.find('\n'))); }

// A working dialog's texts and bars on one line.
std::string StatusLine(const host::DialogView& view) {
  std::string line;
  for (const auto& item : view.items) {
    if (!item.visible) continue;
    std::string part;
    if (item.type == ADM_ITEM_PROGRESS_BAR)
      part = std::to_string(item.value) + "/" + std::to_string(item.maximum);
    else if ((item.type == ADM_ITEM_STATIC || item.type == ADM_ITEM_STATIC_MULTILINE) && !item.text.empty())
      part = FirstLine(item.text);
    if (!part.empty()) line += (line.empty() ? "" : "  ") + part;
  }
  return line;
}

// "42% TEXT": the per cent done and what is under way.
std::string Percent(long long value, long long of, const std::string& text) {
  const long long percent = of > 0 ? std::min(100LL, std::max(0LL, value * 100 / of)) : 0;
  return std::to_string(percent) + "%" + (text.empty() ? "" : " " + text);
}

// The progress line of the document progress monitor; "" when no operation
// is under way.
std::string MonitorLine(const host::ProgressState& p) { return p.active ? Percent(p.value, p.duration, p.text) : ""; }

// The progress line of a working dialog: its bar and its texts; "" without a bar.
std::string DialogLine(const host::DialogView& view) {
  const host::ItemView* bar = nullptr;
  std::string texts;
  for (const auto& item : view.items) {
    if (!item.visible) continue;
    if (item.type == ADM_ITEM_PROGRESS_BAR && !bar) bar = &item;
    if ((item.type == ADM_ITEM_STATIC || item.type == ADM_ITEM_STATIC_MULTILINE) && !item.text.empty())
      texts += (texts.empty() ? "" : "  ") + FirstLine(item.text);
  }
  return bar ? Percent(bar->value - bar->minimum, bar->maximum - bar->minimum, texts) : "";
}

// A colour's 16-bit components, "R G B".
std::string ColorText(const ADMRGBColor& c) {
  return std::to_string(c.red) + " " + std::to_string(c.green) + " " + std::to_string(c.blue);
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
std::vector<std::function<void()>>& ExitWork() {
  static auto* work = new std::vector<std::function<void()>>;
  return *work;
}

void AtExit(std::function<void()> work) { ExitWork().push_back(std::move(work)); }

void RunAtExit() {
  auto work = std::move(ExitWork());
  ExitWork().clear();
  for (auto it = work.rbegin(); it != work.rend(); ++it) (*it)();
}

void Transcript::Print(const std::string& line) {
  if (omit_ && omit_(line)) return;
  if (line.compare(0, 9, "VERDICT: ") == 0) verdict_ = line.substr(9);
  EndStatus();
  ProgressLine("");
  std::cout << line << '\n' << std::flush;
}

void Transcript::ProgressLine(const std::string& line) {
  if (line == progress_) return;
  // Cut to the terminal's width, so that the next one draws over it.
  winsize size{};
  const size_t width = ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 1 ? size.ws_col - 1 : 79;
  std::cerr << "\r" << line.substr(0, width) << "\033[K" << std::flush;
  progress_ = line;
}

void Transcript::Status(const std::string& line) {
  if (line.empty() || line == status_) return;
  std::cerr << "\r" << line << "\033[K" << std::flush;
  status_ = line;
}

void Transcript::EndStatus() {
  if (status_.empty()) return;
  // The work is done: its line goes.
  std::cerr << "\r\033[K" << std::flush;
  status_.clear();
}

void Transcript::Event(const std::string& line) {
  if (line.compare(0, 6, "NOTE: ") == 0) {
    note_ = line.substr(6);
    ++notes_;
  }
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

// Terminal input -------------------------------------------------------------------
bool TerminalInput::Take(std::string* line) {
  size_t end = buffer_.find('\n');
  if (end == std::string::npos) {
    if (!end_ || buffer_.empty()) return false;
    end = buffer_.size();  // the last line, without its line end
  }
  *line = buffer_.substr(0, end);
  buffer_.erase(0, end + 1);
  return true;
}

void TerminalInput::Fill() {
  char chunk[4096];
  for (;;) {
    ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      end_ = true;
    else
      buffer_.append(chunk, static_cast<size_t>(n));
    return;
  }
}

bool TerminalInput::Line(std::string* line) {
  while (!Take(line)) {
    if (end_) return false;
    Fill();
  }
  return true;
}

bool TerminalInput::Ready(std::string* line) {
  while (!Take(line)) {
    if (end_) return false;
    pollfd input{STDIN_FILENO, POLLIN, 0};
    if (::poll(&input, 1, 0) <= 0) return false;
    Fill();
  }
  return true;
}

// Reading steps -------------------------------------------------------------------
Session::Session(std::deque<Line> lines, bool interactive, bool brief)
    : out_(brief), lines_(std::move(lines)), interactive_(interactive), terminal_(::isatty(STDIN_FILENO) != 0) {}

void Session::Stop(const std::string& reason) {
  out_.EndStatus();
  out_.ProgressLine("");
  out_.PrintHeld();
  // After the lines, so that what the hook still prints comes last.
  std::string why = reason;
  const int status = stopHook_ ? stopHook_(&why) : 2;
  std::cout << std::flush;
  std::cerr << "plughost: " << why << std::endl;
  RunAtExit();
  std::_Exit(status);
}

void Session::Append(std::deque<Line> lines) {
  for (auto& line : lines) {
    // A shortcut's own steps: where a failed one stands is the host's
    // business, told only when every line is shown.
    if (out_.Brief()) line.where.clear();
    lines_.push_back(std::move(line));
  }
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
  out_.EndStatus();
  if (!kept_.empty()) {
    *line = Line{kept_.front(), "input", ""};
    kept_.pop_front();
    *typed = true;
    return true;
  }
  if (listing_) {
    listing_ = false;
    List(place);
  }
  // The host has idle time while the person thinks.
  Guarded([] { host::RunIdleRounds(1); });
  std::cerr << "> " << std::flush;
  std::string text;
  if (!input_.Line(&text)) {
    std::cerr << std::endl;
    return false;
  }
  if (!terminal_) std::cerr << text << std::endl;
  *line = Line{text, "input", ""};
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
    step->stopAs = line.stopAs;
    step->stopAsWithoutDialog = line.stopAsWithoutDialog;
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
    failed_ = false;
    return true;
  }
}

void Session::Failed(const std::string& why, const Step& step) {
  if (!step.typed && step.stopAsWithoutDialog && !InnermostDialog()) {
    const std::string note = PlainNote(out_.LastNote());
    Stop(step.stopAs + (note.empty() ? "" : ": " + note));
  }
  const std::string where = step.where.empty() ? "" : " (" + step.where + ")";
  if (!step.typed) Stop(step.stopAs.empty() || step.stopAsWithoutDialog ? why + where : step.stopAs);
  out_.EndStatus();
  std::cout << std::flush;
  std::cerr << "plughost: " << why << std::endl;
  failed_ = true;
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
  } else if (step.verb == "help") {
    out_.EndStatus();
    std::cout << kStepsHelp << std::flush;
  } else if (step.verb == "at-progress # press %") {
    if (step.args[0].Number() < 1)
      Failed("at-progress counts pump rounds from 1", step);
    else
      timed_.emplace_back(host::PumpRounds() + step.args[0].Number(), step);
  } else {
    return false;
  }
  return true;
}

// What waits, listed before the terminal's prompt.
void Session::List(Place place) {
  if (place == Place::Prompt && pendingPassword_) {
    out_.Listing("ASK PASSWORD: " + Escaped(pendingPassword_->file));
  } else if (place == Place::Prompt && pendingFile_) {
    out_.Listing("ASK FILE: " + std::string(pendingFile_->save ? "save " : "open ") + Quoted(pendingFile_->title) + " " +
                 Quoted(pendingFile_->suggested));
  } else if (place == Place::Prompt && pendingColor_) {
    out_.Listing("ASK COLOR: " + ColorText(*pendingColor_));
  } else if (place == Place::Prompt && pending_) {
    out_.Listing("ASK " + std::string(pending_->kind == 1 ? "CONFIRM: " : "ALERT: ") + Escaped(pending_->message) + " " +
                 Buttons(*pending_));
  } else {
    // At top level, what can be run and every palette that shows (a tool
    // may open several), the one dialog steps act on last; in a dialog, the
    // dialog that waits.
    ADMDialogRef acted = place == Place::Prompt ? nullptr : InnermostDialog();
    if (place == Place::Top) {
      PrintMenus(true);
      for (ADMDialogRef dialog : host::OpenDialogs()) {
        host::DialogView view = host::DescribeDialog(dialog);
        if (dialog != acted && view.visible && !view.modal) ListDialog(view, true);
      }
    }
    if (acted) ListDialog(host::DescribeDialog(acted), true);
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
    if (item.type == ADM_ITEM_SCROLLBAR || item.type == ADM_ITEM_PROGRESS_BAR)
      states += " value " + std::to_string(item.value) + " (" + std::to_string(item.minimum) + " to " +
                std::to_string(item.maximum) + ")";
    if (item.type == ADM_ITEM_EDIT && (item.low != 0 || item.high != 0)) {
      char range[64];
      std::snprintf(range, sizeof range, " from %g to %g", item.low, item.high);
      states += range;
    }
    if (item.type == ADM_ITEM_LIST_BOX || item.type == ADM_ITEM_HIERARCHY_LIST) {
      std::vector<host::EntryView> entries = host::DescribeList(item.ref);
      states += " rows " + std::to_string(entries.size());
      for (const auto& entry : entries)
        if (entry.selected) states += " selected " + std::to_string(entry.index);
    }
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
    listing_ = !failed_;
    Guarded([] { host::DrawPending(); });
    Step step;
    if (!Next(Place::Top, &step)) return CheckTimed();
    if (Anywhere(step)) continue;
    if (step.verb == "quit" || step.verb == "exit") return CheckTimed();
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
  } else if (step.verb == "button %") {
    bool ran = true;
    std::string why;
    Guarded([&] { ran = host::ExecuteToolButton(arg, &why); });
    if (!ran) Refuse(why);
  } else if (step.verb == "open %") {
    AVDoc opened = nullptr;
    try {
      opened = host::OpenInView(arg, open_);
    } catch (const ASHostRaise& e) {
      Refuse("cannot open " + arg + ": " + HostError(e.code));
    }
    const std::string tree = host::PageTreeFault(host::ViewPDDoc(opened));
    if (!tree.empty()) Refuse("cannot read the page tree of " + arg + ": " + tree);
  } else if (step.verb == "page #") {
    AVDoc doc = host::ActiveViewDocument();
    if (!doc) Refuse("page: no document is open");
    try {
      host::GoToPage(doc, step.args[0].Number() - 1);
    } catch (const ASHostRaise& e) {
      Refuse("cannot show page " + arg + ": " + HostError(e.code));
    }
  } else if (step.verb == "save %") {
    Save(arg);
  } else if (step.verb == "print menus") {
    PrintMenus(false);
  } else if (step.verb == "draw" || step.verb == "draw %") {
    Draw(arg);
  } else if (step.verb == "tool %") {
    bool ran = true;
    std::string why;
    Guarded([&] { ran = host::ActivateToolOfType(arg, &why); });
    if (!ran) Refuse(why);
  } else if (step.verb == "idle" || step.verb == "idle #") {
    const int rounds = step.args.empty() ? 1 : step.args[0].Number();
    if (rounds < 0) Refuse("idle " + arg + ": give a number of rounds, 0 or more");
    Guarded([&] { host::RunIdleRounds(rounds); });
  } else if (step.verb == "router query" || step.verb == "router run %") {
    std::string why;
    Guarded([&] { why = RouterStep(step, out_); });
    if (!why.empty()) Refuse(why);
  } else if (step.verb == "with %") {
    ChooseDialog(step.args[0]);
  } else if (step.verb == "pref # #") {
    host::ChangePreference(step.args[0].Number(), step.args[1].Number());
  } else if (step.verb == "print pref #") {
    out_.Event("PREF " + arg + ": " + std::to_string(host::Preference(step.args[0].Number())));
  } else if (step.verb == "print tool") {
    std::string type;
    Guarded([&] { type = host::ActiveToolType(); });
    out_.Event("TOOL " + type + " cursor " + std::to_string(host::ShownCursor()));
  } else {
    const std::string why = ViewStep(step);
    if (!why.empty()) Refuse(why);
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
  // The active document may replace its own file, never another's.
  const std::string other = host::OpenDocumentAt(path, host::ViewPDDoc(doc));
  if (!other.empty()) Refuse("cannot save " + path + ": it is the open document " + other);
  try {
    host::SaveDocument(host::ViewPDDoc(doc), path);
  } catch (const ASHostRaise& e) {
    Refuse("cannot save " + path + ": " + HostError(e.code));
  } catch (const std::exception& e) {
    Refuse("cannot save " + path + ": " + e.what());
  }
  Saved(path);
}

void Session::Draw(const std::string& picture) {
  AVDoc doc = host::ActiveViewDocument();
  if (!doc) Refuse("draw: no document is open");
  std::vector<std::string> lines;
  try {
    lines = host::DrawView(doc);
  } catch (const ASHostRaise& e) {
    Refuse("cannot draw: " + HostError(e.code));
  } catch (const std::exception& e) {
    Refuse(std::string("cannot draw: ") + e.what());
  }
  for (const std::string& line : lines) out_.Event(line);
  if (picture.empty()) return;
  std::string note;
  try {
    note = host::WriteViewPicture(doc, picture);
  } catch (const std::exception& e) {
    Refuse(e.what());
  }
  if (!note.empty()) out_.Event("NOTE: " + Escaped(note));
}

void Session::PrintMenus(bool listing) {
  auto print = [&](const std::string& line) { listing ? out_.Listing(line) : out_.Event(line); };
  std::vector<host::MenuEntry> tree;
  Guarded([&] { tree = host::MenuTree(); });
  for (const auto& entry : tree) {
    std::string line = std::string(static_cast<size_t>(entry.depth) * 2, ' ');
    line += (entry.menu ? "MENU " : "") + entry.name + " " + Quoted(WithoutAmpersands(entry.title));
    print(line + (entry.marked ? " marked" : "") + (entry.enabled ? "" : " disabled"));
  }
  std::vector<host::ToolButtonInfo> buttons;
  Guarded([&] { buttons = host::ToolBarButtons(); });
  print("TOOLBAR");
  for (const auto& b : buttons) {
    std::string line = "  " + b.name;
    if (b.separator) {
      line += " separator";
    } else {
      line += " " + Quoted(b.help) + (b.bitmap ? " bitmap " + std::to_string(b.bitmap) : "");
      if (b.marked) line += " marked";
      if (!b.enabled) line += " disabled";
    }
    print(line);
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
  if (step.verb == "closebox") {
    std::string why;
    bool done = true;
    Guarded([&] { done = host::PressCloseBox(dialog, &why); });
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
  if (step.verb == "print list %" || step.verb == "choose @ %" || step.verb == "select @ #")
    return EntryStep(step, view, index);
  std::string why;
  bool done = true;
  auto act = [&] {
    if (step.verb == "press %") done = host::PressItem(item.ref, &why);
    if (step.verb == "set @ %") done = host::SetItemText(item.ref, step.args[1].text, &why);
    if (step.verb == "check @ on" || step.verb == "check @ off")
      done = host::CheckItem(item.ref, step.verb == "check @ on", &why);
    if (step.verb == "scroll @ #") done = host::ScrollItem(item.ref, step.args[1].Number(), &why);
    if (step.verb == "track @ # #")
      done = host::TrackItem(item.ref, step.args[1].Number(), step.args[2].Number(), &why);
  };
  // A modal run carries what its procedures throw to the code that opened
  // the dialog; a modeless dialog's procedures are entered from here.
  view.modal ? act() : Guarded(act);
  if (!done) Refuse(why + " in " + DialogName(view));
  return true;
}

// `print list`, `choose` and `select`: the entries of a pop-up or list box.
bool Session::EntryStep(const Step& step, const host::DialogView& view, size_t index) {
  const host::ItemView& item = view.items[index];
  std::string name = ItemNames(view)[index];
  std::vector<host::EntryView> entries = host::DescribeList(item.ref);
  if (entries.empty() && item.type != ADM_ITEM_POPUP_LIST && item.type != ADM_ITEM_LIST_BOX &&
      item.type != ADM_ITEM_HIERARCHY_LIST)
    Refuse("item " + name + " of " + DialogName(view) + " has no list");
  if (step.verb == "print list %") {
    for (const auto& entry : entries) {
      // A child's texts stand two blanks further in per level.
      std::string line = "LIST " + name + " " + std::to_string(entry.index) + ": " + std::string(2 * entry.depth, ' ');
      for (size_t i = 0; i < entry.drawn.size(); ++i) line += (i ? "\t" : "") + Escaped(entry.drawn[i]);
      out_.Event(line);
    }
    return false;
  }
  const Arg& which = step.args[1];
  std::string wanted = which.text;
  int row = -1;
  bool byIndex = step.verb == "select @ #" || (!which.quoted && wanted.size() > 2 && wanted.front() == '[' &&
                                               wanted.back() == ']' && Arg{wanted.substr(1, wanted.size() - 2)}.IsNumber());
  if (byIndex) {
    row = step.verb == "select @ #" ? which.Number() : Arg{wanted.substr(1, wanted.size() - 2)}.Number();
    if (row < 0 || static_cast<size_t>(row) >= entries.size())
      Refuse("item " + name + " of " + DialogName(view) + " has no entry " + std::to_string(row) + " (it has " +
             std::to_string(entries.size()) + ")");
  } else {
    std::vector<std::string> found;
    for (const auto& entry : entries)
      if (entry.text == wanted) {
        found.push_back(std::to_string(entry.index));
        row = entry.index;
      }
    if (found.empty()) Refuse("item " + name + " of " + DialogName(view) + " has no entry " + Quoted(wanted));
    if (found.size() > 1)
      Refuse("entries " + JoinNames(found) + " of item " + name + " of " + DialogName(view) + " share the text " +
             Quoted(wanted));
  }
  std::string why;
  bool done = true;
  auto act = [&] { done = host::ChooseEntry(item.ref, row, &why); };
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
  if (progressLine_) out_.ProgressLine("");
  out_.Frame("CLOSED " + std::to_string(dialog.number) + (item == kADMNoItem ? "" : " " + std::to_string(item)));
}

void Session::Progress(const std::string& line) {
  out_.Frame(line);
  static const std::string kText = "PROGRESS text ";
  if (progressText_ && line.compare(0, kText.size(), kText) == 0) progressText_(line.substr(kText.size()));
  if (progressLine_) out_.ProgressLine(MonitorLine(host::CurrentProgress()));
}

// Every prompt takes steps until one answers it; `always` steps may answer
// it meanwhile (`answer` is then asked with no step).
template <class Try>
void Session::AtPrompt(const std::string& name, Try&& answer) {
  listing_ = true;
  for (;;) {
    Step step;
    if (!Next(Place::Prompt, &step)) Stop("the steps end while " + name + " waits");
    if (Anywhere(step)) {
      if (answer(nullptr)) return;
      continue;
    }
    try {
      if (step.place != Place::Prompt) Refuse("\"" + step.line + "\" does not fit while " + name + " waits");
      if (answer(&step)) return;
    } catch (const StepError& e) {
      Failed(e.why, step);
    }
  }
}

// Prompts -----------------------------------------------------------------------
// The button an `answer` or `always` step gives the prompt.
int Session::Answer(const Step& step, const host::AlertRequest& request) {
  bool confirm = step.verb.find(" confirm ") != std::string::npos;
  if (confirm != (request.kind == 1) || step.verb.compare(0, 12, "answer file ") == 0 ||
      step.verb.compare(0, 16, "answer password ") == 0 || step.verb.compare(0, 13, "answer color ") == 0)
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
  int button = Standing(request);
  if (!button) AtPrompt(PromptName(request), [&](const Step* step) {
      button = step ? Answer(*step, request) : Standing(request);
      return button != 0;
    });
  pending_ = outer;
  if (request.kind == 1)
    out_.Event("CONFIRM: " + Escaped(request.message) + " -> " + (button == 1 ? "OK" : "Cancel"));
  else
    out_.Event("ALERT: " + Escaped(request.message) + " " + Buttons(request) + " -> " +
               ButtonText(request.buttons[static_cast<size_t>(button) - 1]));
  return button;
}

// The password prompt ---------------------------------------------------------------
bool Session::Password(const host::PasswordRequest& request, std::string* password) {
  const host::PasswordRequest* outer = pendingPassword_;
  pendingPassword_ = &request;
  const std::string name = "the password prompt of " + Quoted(request.file);
  bool given = false;
  auto take = [&](const Step& step) {
    given = step.verb.compare(step.verb.size() - 2, 2, " %") == 0;
    if (given) *password = step.args[0].text;
  };
  auto standing = standing_.find("password");
  if (standing != standing_.end()) {
    take(standing->second);
  } else if (interactive_ && terminal_ && lines_.empty()) {
    given = TypedPassword(request.file, password);
  } else {
    AtPrompt(name, [&](const Step* step) {
      if (!step) {
        auto it = standing_.find("password");
        if (it == standing_.end()) return false;
        take(it->second);
        return true;
      }
      if (step->verb.compare(0, 16, "answer password ") != 0)
        Refuse("\"" + step->line + "\" does not fit while " + name + " waits");
      take(*step);
      return true;
    });
  }
  pendingPassword_ = outer;
  // The password itself is never written out.
  out_.Event("PASSWORD: " + Escaped(request.file) + " -> " + (given ? "given" : "cancel"));
  return given;
}

bool Session::ChooseColor(const ADMRGBColor& color, ADMRGBColor* chosen) {
  const ADMRGBColor* outer = pendingColor_;
  pendingColor_ = &color;
  const std::string name = "the colour picker";
  bool given = false;
  AtPrompt(name, [&](const Step* step) -> bool {
    if (!step) return false;
    if (step->verb == "answer color cancel") return true;
    if (step->verb != "answer color # # #") Refuse("\"" + step->line + "\" does not fit while " + name + " waits");
    ASUns16 parts[3] = {0, 0, 0};
    for (size_t i = 0; i < 3; ++i) {
      const Arg& arg = step->args[i];
      if (arg.text.size() > 5 || arg.Number() < 0 || arg.Number() > 65535)
        Refuse("answer color: " + arg.text + " is not a component from 0 to 65535");
      parts[i] = static_cast<ASUns16>(arg.Number());
    }
    *chosen = ADMRGBColor{parts[0], parts[1], parts[2]};
    given = true;
    return true;
  });
  pendingColor_ = outer;
  out_.Event("COLOR: " + ColorText(color) + " -> " + (given ? ColorText(*chosen) : std::string("cancel")));
  return given;
}

bool Session::TypedPassword(const std::string& file, std::string* password) {
  out_.EndStatus();
  std::cerr << "Password for " << file << ": " << std::flush;
  termios saved {};
  bool quiet = ::tcgetattr(STDIN_FILENO, &saved) == 0;
  if (quiet) {
    termios unechoed = saved;
    unechoed.c_lflag &= static_cast<tcflag_t>(~ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &unechoed);
  }
  bool got = input_.Line(password);
  if (quiet) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  std::cerr << std::endl;
  return got;
}

// File choosers -------------------------------------------------------------------
host::FileAnswer Session::ChooseFile(const host::FileRequest& request) {
  const host::FileRequest* outer = pendingFile_;
  pendingFile_ = &request;
  host::FileAnswer answer;
  std::string name = ChooserName(request);
  AtPrompt(name, [&](const Step* step) {
    if (!step) return false;
    if (step->verb.compare(0, 12, "answer file ") != 0)
      Refuse("\"" + step->line + "\" does not fit while " + name + " waits");
    if (step->verb == "answer file cancel") {
      answer = host::FileAnswer{host::FileAnswer::Cancelled, "", 0};
    } else if (step->verb == "answer file error #") {
      answer = host::FileAnswer{host::FileAnswer::Failed, "", static_cast<ASUns32>(step->args[0].Number())};
    } else {
      answer = host::FileAnswer{host::FileAnswer::Chosen, step->args[0].text, 0};
      // At the terminal a file that would be replaced is confirmed first.
      std::string path = host::ChosenPath(request, answer.path);
      struct stat st {};
      if (step->typed && request.confirmOverwrite && ::stat(path.c_str(), &st) == 0 && !ConfirmReplace(path))
        return false;
    }
    return true;
  });
  pendingFile_ = outer;
  return answer;
}

bool Session::ConfirmReplace(const std::string& path) {
  std::cerr << path << " exists. Replace it? (yes/no) " << std::flush;
  std::string reply;
  if (!input_.Line(&reply)) return false;
  if (!terminal_) std::cerr << reply << std::endl;
  return reply == "y" || reply == "yes";
}

// A plug-in's save and the `save` step alike, with the version note of the
// save just made.
void Session::Saved(const std::string& path) {
  const std::string& note = host::LastSaveNote();
  out_.Event("SAVED: " + Escaped(AbsolutePath(path)) + (note.empty() ? "" : " (" + Escaped(note) + ")"));
}

void Session::FileChosen(const host::FileRequest& request, const host::FileAnswer& answer) {
  std::string result = answer.kind == host::FileAnswer::Chosen      ? Escaped(answer.path)
                       : answer.kind == host::FileAnswer::Cancelled ? "cancel"
                                                                    : "error " + std::to_string(answer.code);
  out_.Event("FILE: " + std::string(request.save ? "save " : "open ") + Quoted(request.title) + " " +
             Quoted(request.suggested) + " -> " + result);
}

// The pump --------------------------------------------------------------------------
void Session::PumpRound(int round) {
  for (size_t i = 0; i < timed_.size();) {
    if (timed_[i].first != round) {
      ++i;
      continue;
    }
    Step step = timed_[i].second;
    timed_.erase(timed_.begin() + static_cast<std::ptrdiff_t>(i));
    QueuePress(step);
  }
  if (interactive_ && terminal_ && lines_.empty()) WhileWorking();
  if (progressLine_)
    if (ADMDialogRef dialog = ModelessDialog()) out_.ProgressLine(DialogLine(host::DescribeDialog(dialog)));
}

// A press for the working (modeless) dialog, queued for the pump.
void Session::QueuePress(const Step& step) {
  try {
    ADMDialogRef dialog = ModelessDialog();
    if (!dialog) Refuse("\"" + step.line + "\" needs a modeless dialog, and none is open");
    host::DialogView view = host::DescribeDialog(dialog);
    const host::ItemView& item = view.items[FindItem(view, step.args.back())];
    std::string why;
    if (!host::QueuePress(item.ref, &why)) Refuse(why + " in " + DialogName(view));
  } catch (const StepError& e) {
    Failed(e.why, step);
  }
}

// At a terminal, while a plug-in works: its dialog's texts on one line, and
// the presses typed meanwhile; other steps wait until the work returns.
void Session::WhileWorking() {
  ADMDialogRef dialog = ModelessDialog();
  if (dialog) out_.Status(StatusLine(host::DescribeDialog(dialog)));
  std::string text;
  while (input_.Ready(&text)) {
    Step step;
    std::string why;
    if (dialog && ParseStep(text, &step, &why) == Parsed::Step && step.verb == "press %") {
      step.where = "input";
      step.typed = true;
      QueuePress(step);
    } else {
      kept_.push_back(text);
    }
  }
}

// An `at-progress` whose round never came.
void Session::CheckTimed() {
  auto timed = std::move(timed_);
  timed_.clear();
  for (const auto& t : timed)
    Failed("\"" + t.second.line + "\" never came: the pump ran " + std::to_string(host::PumpRounds()) +
               " rounds, and it waited for round " + std::to_string(t.first),
           t.second);
}

}  // namespace plughost
