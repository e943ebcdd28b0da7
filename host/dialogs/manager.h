// The headless dialog manager, as plughost and tests see it: plug-ins and
// their resources, dialogs as a user sees them, what a user does to them,
// and the driver that decides what the user does. Plug-in code never
// includes this: it reaches the dialog manager through its suites.
#pragma once
#include <string>
#include <vector>

#include "core/host.h"
#include "host/admtypes.h"
#include "host/resources.h"

namespace host {

// Plug-ins and their resources ------------------------------------------------
// The module that holds an address (a shared library, or the executable).
WinModule ModuleOfAddress(const void* address);
// The plug-in with this extension identifier lives in `module`; its dialogs
// are built from that module's resources until it sets another access.
void RegisterPlugin(ASUns32 extension, WinModule module);
// The resources of a module; none forgets them. The directory is not copied.
void RegisterResources(WinModule module, const PIResourceDirectory* directory);
const PIDialogTemplate* FindDialogTemplate(WinModule module, ASInt32 number);
const PIBitmapResource* FindBitmap(WinModule module, ASInt32 number);
const PIBinaryResource* FindBinary(WinModule module, const char* type, ASInt32 number);
// The type name of a template item kind; null for a kind the host lacks.
const char* ItemTypeName(ASInt32 kind);

// Dialogs as a user sees them -------------------------------------------------
struct ItemView {
  ADMItemRef ref;
  ASInt32 id;
  std::string type;  // "ADM Text Push Button Type", ...
  // Its text; a pop-up's selected entry's; for an item that draws itself,
  // the texts it drew, left to right, joined by tabs, or "bitmap N" for the
  // last bitmap copied into it.
  std::string text;
  bool enabled, visible, on;
  ADMRect bounds;  // pixels, relative to the dialog
  ASInt32 value, minimum, maximum;  // scrollbars, progress bars
  double low, high;                 // the numbers an edit takes; both 0: not set
};

struct DialogView {
  ADMDialogRef ref;
  ASInt32 number;  // the template's
  std::string name, title;
  bool modal;  // made for a modal run, or being run as one
  bool visible;
  ADMRect bounds;  // pixels, on the screen
  ASInt32 cursor;  // the dialog's cursor: kADMArrowCursor until it is set
  std::vector<ItemView> items;  // template order, then items made later
};

// One entry of a pop-up's or a list box's list, with the texts its last
// drawing drew, left to right (outside the visible area: left out).
struct EntryView {
  ASInt32 index, id;
  std::string text;
  bool selected;
  std::vector<std::string> drawn;
  int depth;  // a hierarchy list's: 0 for the top list's entries
};
// Raises genErrBadHandle for an item that is gone; empty for an item
// without a list. A hierarchy list's entries come depth-first (an entry,
// then its child list), rows counted from 0 in that order.
std::vector<EntryView> DescribeList(ADMItemRef item);

// Raises genErrBadHandle for a dialog that is gone.
DialogView DescribeDialog(ADMDialogRef dialog);
// Open dialogs, in the order made.
std::vector<ADMDialogRef> OpenDialogs();
// The dialog of the innermost modal run; none when no run waits.
ADMDialogRef InnermostModalDialog();

// What a user does. Each sends the notifications a user's action sends and
// answers true, or answers false with the reason when a user could not do it
// (the item is disabled, hidden, gone, or of a kind that does not take it).
bool PressItem(ADMItemRef item, std::string* why);
bool SetItemText(ADMItemRef item, const std::string& text, std::string* why);
bool CheckItem(ADMItemRef item, bool on, std::string* why);
bool MoveDialog(ADMDialogRef dialog, ASInt32 x, ASInt32 y, std::string* why);
bool ResizeDialog(ADMDialogRef dialog, ASInt32 width, ASInt32 height, std::string* why);
// A click at (x, y) in the item's own pixels from its top-left, edges
// included: its track procedure hears the mouse go down there, then, unless
// that answered false, up; when that answered true too (as the default
// does), the item gets what a press gives it and "ADM User Changed
// Notifier".
bool TrackItem(ADMItemRef item, ASInt32 x, ASInt32 y, std::string* why);
// The dialog's close box: "ADM Close Hit Notifier" to its notify procedure.
bool PressCloseBox(ADMDialogRef dialog, std::string* why);
// Docking groups for palettes: none is given unless this is on.
void SetDocking(bool on);
// Selects the entry at `index` of a pop-up or list box (a choice, a row).
bool ChooseEntry(ADMItemRef item, ASInt32 index, std::string* why);
// Sets a scrollbar's value: "ADM Intermediate Changed Notifier", then
// "ADM User Changed Notifier".
bool ScrollItem(ADMItemRef item, ASInt32 value, std::string* why);
// Runs the draw procedures of what was invalidated in the open dialogs
// (a modal run does this itself before each action).
void DrawPending();

// The message pump --------------------------------------------------------------
// A round of the pump starts with the first take after the queue last
// answered empty; the driver hears of each (Driver::PumpRound) and may queue
// presses then. A press goes to an item of an open modeless dialog only.
bool QueuePress(ADMItemRef item, std::string* why);
int PumpRounds();  // the rounds started so far

// File choosers -----------------------------------------------------------------
struct FileRequest {
  bool save;
  std::string title, suggested;
  std::string defaultExtension;  // added to a save answer without "."
  bool confirmOverwrite;         // an existing file is replaced only when confirmed
  size_t room;                   // bytes the answer may take with its zero; 0: any
};
struct FileAnswer {
  enum Kind { Chosen, Cancelled, Failed } kind = Cancelled;
  std::string path;
  ASUns32 code = 0;  // Failed: the chooser's error code
};
// The path a chosen answer becomes: absolute against the working folder,
// and for a save without "." in its last part, "." and the extension.
std::string ChosenPath(const FileRequest& request, const std::string& answer);
// The driver ------------------------------------------------------------------
// Every modal run and alert asks the driver what the user does.
class Driver {
 public:
  virtual ~Driver() = default;
  // The innermost modal run waits for the user: do one thing to `dialog`
  // with the actions above, or throw to stop. Returning without an action
  // raises avErrScriptExhausted, so a run never spins.
  virtual void Act(ADMDialogRef dialog) = 0;
  // An alert (kind 2), a confirmation (1) or a note (0): the button pressed,
  // from 1.
  virtual int Alert(const AlertRequest& request) = 0;
  // The host's cancel procedure answers this (or a test's request).
  virtual bool WantsCancel() { return false; }
  // A dialog whose init procedure went well has opened; it has gone. `item`
  // is the item that ended a modal run (kADMNoItem for a modeless dialog).
  virtual void Opened(const DialogView&) {}
  virtual void Closed(const DialogView&, ASInt32 item) { (void)item; }
  // A file chooser: the user's answer, its path as typed. The host makes it
  // absolute and tells the driver what the plug-in receives (FileChosen).
  virtual FileAnswer ChooseFile(const FileRequest&) { return FileAnswer{}; }
  virtual void FileChosen(const FileRequest&, const FileAnswer&) {}
  // A plug-in saved a document to `path`.
  virtual void Saved(const std::string& path) { (void)path; }
  // A round of the message pump starts (1 for the first of the process).
  virtual void PumpRound(int round) { (void)round; }
  // The document progress monitor (AcroView 15) was called: "PROGRESS begin",
  // "PROGRESS duration N", "PROGRESS value N" or "PROGRESS end".
  virtual void Progress(const std::string& line) { (void)line; }
  // The password prompt: true with the password typed, false for a cancel.
  virtual bool Password(const PasswordRequest&, std::string* password) {
    (void)password;
    return false;
  }
  // The colour picker, showing `color`: true with the colour chosen, false
  // for a cancel.
  virtual bool ChooseColor(const ADMRGBColor& color, ADMRGBColor* chosen) {
    (void)color;
    (void)chosen;
    return false;
  }
};
// Not owned; none: dialogs raise avErrScriptExhausted, alerts answer 1.
void SetDriver(Driver* driver);
Driver* CurrentDriver();
bool CancelRequested();

// Platform windows, for the host's own modules --------------------------------
// The application's main window: the parent of dialogs, the first focus.
WinWindow AppWindow();
// The bounds of a dialog's platform window; false for any other window.
bool WindowBounds(WinWindow window, ADMRect* bounds);
void SetWindowBounds(WinWindow window, const ADMRect& bounds);
// The resource number of a loaded bitmap; 0 for a handle the host did not give.
ASInt32 BitmapNumber(WinBitmap bitmap);
// Host windows over a platform window that goes (view/windows.cpp).
void DestroyHostWindowsOver(WinWindow window);
// Text objects (support/text.cpp): bytes one character each, and back.
std::u16string Utf16FromBytes(const std::string& bytes);
std::string BytesFromUtf16(const ASUns16* text);
std::u16string Utf16FromHostBytes(const std::string& bytes);
// A text object's text, as BytesFromUtf16 gives it; raises for one that is gone.
std::string TextBytes(ASText text);

}  // namespace host

namespace hosttest {
// Resources of the test process itself (its plug-in side has extension 0).
void RegisterResources(const PIResourceDirectory* directory);
// Suites the basic suite refuses from now on; empty: none.
void WithholdSuites(const std::vector<std::string>& names);
struct SuiteCounts {
  int acquired = 0;
  int released = 0;
  int releasedNotGiven = 0;  // give-backs of suites the host did not give
};
SuiteCounts Suites();
// Logs every suite call as "Dialog 23", "Item 20", ... (off by default).
void LogSuiteCalls(bool on);
// The tick count answers `ms` from now on; UseRealClock goes back.
void SetTickCount(ASUns32 ms);
void UseRealClock();
// The host's cancel procedure answers true while this is set.
void SetCancel(bool cancel);
int ModalDepth();
int HostWindowCount();
ASInt32 CurrentCursor();  // the standard identifier of the current cursor
WinWindow FocusWindow();
// Bitmaps and memory device contexts that exist now.
int LiveBitmaps();
int LiveDeviceContexts();
}  // namespace hosttest
