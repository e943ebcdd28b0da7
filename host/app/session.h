// plughost's drivers: the steps of the command line and of a script, then
// those a person types at the terminal, carried out at top level, in the
// dialog that waits or at the prompt that waits, with the transcript of what
// happened on standard output.
//
// A step read from a script that does not fit where it stands stops the run:
// one line "plughost: reason" on standard error and exit status 2. A step
// typed at the terminal that does not fit gets that line and the prompt
// comes again; the end of the input there stops the run only inside a
// dialog or a prompt.
#pragma once
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/steps.h"
#include "dialogs/manager.h"

namespace plughost {

// One step line and where it came from ("argument 2", "run.txt line 4").
struct Line {
  std::string text;
  std::string where;
  std::string stopAs;  // the reason a stop at this step gives, when not its own
  // stopAs holds only for a stop with no dialog open; the last NOTE shown
  // is added to it.
  bool stopAsWithoutDialog = false;
};

// Work to do before the process exits, whatever the exit: at the end of a
// run, and at a stop, which ends the process at once.
void AtExit(std::function<void()> work);
void RunAtExit();

// The host's text for a raised code, with the detail of the failure.
std::string HostError(ASErrorCode code);

// Standard output, one line per event. Quiet holds the event lines until it
// ends (they are dropped then) or the run stops (they are printed first).
class Transcript {
 public:
  explicit Transcript(bool brief) : brief_(brief) {}
  void Event(const std::string& line);
  // DIALOG and CLOSED lines, left out when brief.
  void Frame(const std::string& line);
  // The terminal's listings: left out when brief, never held.
  void Listing(const std::string& line);
  void Quiet(bool on);
  void PrintHeld();
  // The text of the last VERDICT line printed.
  const std::string& Verdict() const { return verdict_; }
  // The text of the last NOTE line, printed or held.
  const std::string& LastNote() const { return note_; }
  // Event lines left out of standard output.
  void Omit(std::function<bool(const std::string&)> omit) { omit_ = std::move(omit); }
  // A working dialog's texts, on one line of the terminal that is cleared
  // before the next line is printed; only when they changed.
  void Status(const std::string& line);
  void EndStatus();
  // The progress line on standard error (a terminal): drawn over itself as
  // it changes and cleared before any other line is printed; "" clears it.
  void ProgressLine(const std::string& line);
  // NOTE lines so far, printed or held.
  size_t Notes() const { return notes_; }
  bool Brief() const { return brief_; }

 private:
  void Print(const std::string& line);
  bool brief_;
  bool quiet_ = false;
  std::vector<std::string> held_;
  std::string status_;
  std::string progress_;
  std::string verdict_;
  std::string note_;
  size_t notes_ = 0;
  std::function<bool(const std::string&)> omit_;
};

// Lines typed at the terminal, read from standard input as they come.
class TerminalInput {
 public:
  // The next line; false at the end of the input.
  bool Line(std::string* line);
  // The next line when a whole one can be had without waiting.
  bool Ready(std::string* line);

 private:
  bool Take(std::string* line);
  void Fill();
  std::string buffer_;
  bool end_ = false;
};

class Session : public host::Driver {
 public:
  // `lines` are carried out first; with `interactive` the terminal follows.
  Session(std::deque<Line> lines, bool interactive, bool brief);

  // More steps, after those given: a shortcut's own, whose places a
  // failure tells only when the session is not brief (--verbose).
  void Append(std::deque<Line> lines);
  // How `open` steps open documents (the password).
  void SetOpenOptions(const host::DocOpenOptions& options) { open_ = options; }
  // The steps at top level, until `quit` or the end of the steps.
  void Run();
  Transcript& transcript() { return out_; }
  // Prints what quiet held and the reason, and exits with status 2.
  [[noreturn]] void Stop(const std::string& reason);
  // A shortcut's own word on a stop: it may change the reason, and answers
  // the exit status.
  void OnStop(std::function<int(std::string* reason)> hook) { stopHook_ = std::move(hook); }

  void Act(ADMDialogRef dialog) override;
  int Alert(const host::AlertRequest& request) override;
  void Opened(const host::DialogView& dialog) override;
  void Closed(const host::DialogView& dialog, ASInt32 item) override;
  host::FileAnswer ChooseFile(const host::FileRequest& request) override;
  void FileChosen(const host::FileRequest& request, const host::FileAnswer& answer) override;
  void Saved(const std::string& path) override;
  // Delivers the presses that `at-progress` timed for this round; at a
  // terminal, takes the presses typed meanwhile and keeps other steps.
  void PumpRound(int round) override;
  // PROGRESS lines are left out when brief, as DIALOG lines are.
  void Progress(const std::string& line) override;
  // Each text the plug-in gives its progress monitor, as it comes.
  void OnProgressText(std::function<void(const std::string&)> take) { progressText_ = std::move(take); }
  // While a plug-in works, one progress line on standard error, from its
  // progress monitor or its working dialog: the per cent done and the item
  // under way.
  void ShowProgressLine(bool on) { progressLine_ = on; }
  // `answer password` or a standing `always password`; at a terminal the
  // person types the password, unechoed.
  bool Password(const host::PasswordRequest& request, std::string* password) override;
  // `answer color R G B` or `answer color cancel`, printed as a COLOR line.
  bool ChooseColor(const ADMRGBColor& color, ADMRGBColor* chosen) override;

 private:
  struct Block {
    bool taking;      // its steps are carried out
    bool dead;        // inside a block that is skipped: neither branch runs
    bool sawElse;
  };

  bool ReadLine(Place place, Line* line, bool* typed);
  // The next step for `place`; blocks are handled here. False at the end.
  bool Next(Place place, Step* step);
  void Failed(const std::string& why, const Step& step);
  bool Structure(const Step& step);
  bool Anywhere(const Step& step);
  // Steps at a prompt until `answer` takes one (or a standing answer: null).
  template <class Try>
  void AtPrompt(const std::string& name, Try&& answer);
  bool ConfirmReplace(const std::string& path);
  bool TypedPassword(const std::string& file, std::string* password);
  void QueuePress(const Step& step);
  void WhileWorking();
  void CheckTimed();

  void Top(const Step& step);
  void RunMenu(const Step& step);
  void Save(const std::string& path);
  void PrintMenus(bool listing);
  // The active document's page view, drawn whatever its state, and written
  // as a PNG picture unless `picture` is empty.
  void Draw(const std::string& picture);
  // Documents, pointer, mouse and keys (app/view_steps.cpp): the reason
  // when the step cannot run, else empty.
  std::string ViewStep(const Step& step);
  // A step of a dialog; true when it was an action of the user.
  bool InDialog(const Step& step, ADMDialogRef dialog);
  int Answer(const Step& step, const host::AlertRequest& request);
  bool EntryStep(const Step& step, const host::DialogView& view, size_t index);
  int Standing(const host::AlertRequest& request);

  void List(Place place);
  void ListDialog(const host::DialogView& view, bool listing);
  template <class Body>
  void Guarded(Body&& body);

  Transcript out_;
  std::deque<Line> lines_;
  bool interactive_;
  bool listing_ = false;  // the terminal lists what waits before its next prompt
  bool failed_ = false;   // a typed step failed: its reason is enough
  std::vector<Block> blocks_;
  std::map<std::string, Step> standing_;  // "confirm", "alert": the `always` step
  const host::AlertRequest* pending_ = nullptr;
  const host::FileRequest* pendingFile_ = nullptr;
  const host::PasswordRequest* pendingPassword_ = nullptr;
  const ADMRGBColor* pendingColor_ = nullptr;
  host::DocOpenOptions open_;
  std::vector<std::pair<int, Step>> timed_;  // `at-progress`: the pump round, the step
  TerminalInput input_;
  bool terminal_;                 // standard input is a terminal
  std::deque<std::string> kept_;  // typed while a plug-in worked
  std::function<void(const std::string&)> progressText_;
  std::function<int(std::string*)> stopHook_;
  bool progressLine_ = false;
};

}  // namespace plughost
