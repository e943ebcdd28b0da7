// The host's own interface, for plughost and for tests. Plug-in code never
// includes this: it reaches the host only through the tables.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "host/astypes.h"
#include "host/hft.h"
#include "host/errors.h"

namespace host {

// Host tables -------------------------------------------------------------
enum class TableId {
  Core,
  Cos,
  PDModel,
  AcroView,
  AcroSupport,
  Other,
  Windows,
  Win,
  ASExtra,
  SweetPea,
  SPBasic,
  ADMDialog,
  ADMItem,
  ADMNotifier,
  ADMWinHost,
  ADMHost,
  ADMList,
  ADMEntry,
  ADMDrawer,
  PagePDEContent,
  PDFEditRead,
  PDFEditWrite,
  ADMHierarchyList,
  ADMListEntry,
  ADMBasic,
  ADMIcon,
  ADMTracker,
  ADMDialogGroup
};

// Makes the host's own tables once; safe to call again.
void Init();
HFT CoreTable();
HFT NewTable(const char* name, ASUns32 version, ASUns32 size);
void SetEntry(HFT table, ASUns32 selector, HFTEntry entry);
// Puts `entry` in place of the selector's entry and answers the one it replaced.
HFTEntry ReplaceEntry(HFT table, ASUns32 selector, HFTEntry entry);
bool Publish(HFT table);
// The newest published table of that name whose version is at least `version`.
HFT Import(const char* name, ASUns32 version);
// A table that a plug-in's server of that name gives for the version
// (AcroSupport 6); none when no server answers. Core 10 asks these after
// the published tables.
HFT ImportOffered(const char* name, ASUns32 version);
// Made by AcroSupport 8: AcroSupport 81 may fill its empty entries.
bool IsOfferedTable(HFT table);

// Idle time: each registered idle procedure (AcroView 39) runs once a round.
void RunIdleRounds(int rounds);
// Moveable memory blocks (Windows table) as the host sees them: the bytes
// of a live handle (none else), their count, and freeing one.
void* LockMoveable(ASUns32 handle);
size_t MoveableSize(ASUns32 handle);
void FreeMoveable(ASUns32 handle);
size_t LiveMoveables();

// Failures ---------------------------------------------------------------
[[noreturn]] void Raise(ASErrorCode code);
// Turns the exception in flight (QPDF's, the library's, ours) into a raise.
[[noreturn]] void RaiseFromCurrentException();
const char* ErrorText(ASErrorCode code);
// The detail of the last failure translated from a library exception.
const std::string& LastFailureDetail();
void SetFailureDetail(const std::string& detail);
int FrameDepth();

// Every host operation starts here, so that a test can make it raise.
void Enter(TableId table, ASUns32 selector);

// The procedure of a host callback (Core 8); none for none. Raises
// genErrBadHandle for a destroyed callback or a handle the host never gave.
void* CallbackProc(ASCallback callback);

// Atoms --------------------------------------------------------------------
ASAtom AtomFromString(const char* text);
const char* AtomText(ASAtom atom);
// A name's atom from all its bytes: a name the library read with a zero
// byte in it (a stray "#") keeps the bytes after it, so that its key is
// found again; the text plug-ins see ends at the zero.
ASAtom AtomFromBytes(const std::string& bytes);
const std::string& AtomBytes(ASAtom atom);

// Alerts and notes ----------------------------------------------------------
struct AlertRequest {
  int kind;  // 0 note, 1 confirm, 2 alert with buttons
  std::string message;
  std::vector<std::string> buttons;  // alert: up to three texts
};
// Answers an alert: 1, 2 or 3 for the button pressed (a note needs no answer).
using AlertHandler = std::function<int(const AlertRequest&)>;
// A handler answers before the driver (host/dialogs/manager.h); with
// neither, an alert answers 1.
void SetAlertHandler(AlertHandler handler);
int ShowAlert(const AlertRequest& request);
// Whether an alert shown now reaches anyone (a handler or a driver).
bool AlertsShown();

// The password prompt (AcroView 209) ---------------------------------------
struct PasswordRequest {
  std::string file;  // the document's file name, without its folder
};
// True with the password typed; false when the user cancelled.
using PasswordHandler = std::function<bool(const PasswordRequest&, std::string* password)>;
// A handler answers before the driver; with neither, the prompt is cancelled.
void SetPasswordHandler(PasswordHandler handler);
bool AskPassword(const PasswordRequest& request, std::string* password);

}  // namespace host

// Test hooks, compiled into the host library.
namespace hosttest {
void RaiseOnNextCall(host::TableId table, ASUns32 selector, ASErrorCode code);
void RaiseOnNextAnyCall(ASErrorCode code);
void ClearHooks();
// The atoms made so far; forgetting those made from `count` on gives their
// numbers out again (a test that used the whole table gives it back).
size_t AtomCount();
void ForgetAtomsFrom(size_t count);
// The next registry hive write stops part way and fails with the errno value.
void FailNextRegistryWrite(int err);
// The next allocation of "AcroSupport" answers none instead of memory.
void FailNextAllocation();
// From now on every "AcroSupport" allocation (1, 2) of more than `bytes`
// answers none; 0 turns it off. The host's own memory is not affected.
void FailAllocationsAbove(size_t bytes);
// Encrypted documents name this security handler (PDModel 112) from now
// on; empty: the one their encryption names.
void SetSecurityHandlerName(const std::string& name);
// The toolbar's answer to whether there is room for more buttons (true
// unless set).
void SetToolBarRoom(bool room);
// Notification handlers registered, and host callbacks not destroyed.
int NotificationCount();
int LiveCallbacks();
// Host paths and host text objects not yet released.
int LivePaths();
int LiveTexts();
// Binds this process's plug-in side to the host tables, as a plug-in's
// handshake would; tests call this before using plug-in code.
void BindTables();
// Forgets the tools plug-ins registered; the Hand tool is active again.
void ResetTools();
}  // namespace hosttest

// Documents, for plughost and tests (no library type shows here) -----------
namespace host {
struct DocOpenOptions {
  bool attemptRepair = true;
  std::string password;
};
// Raises a host error (with LastFailureDetail) when the file cannot be opened.
PDDoc OpenDocument(const std::string& path, const DocOpenOptions& options = {});
PDDoc OpenDocumentBytes(const std::string& bytes, const std::string& description,
                        const DocOpenOptions& options = {});
void CloseDocument(PDDoc doc);
// major 0: the document's own version.
void SaveDocument(PDDoc doc, const std::string& path, ASInt16 major = 0, ASInt16 minor = 0);
// Why the last save wrote another version than the one asked for
// ("version 1.4: the encryption needs it"); empty when it wrote that one.
const std::string& LastSaveNote();
// The system's reason the last save failed ("No space left on device", "out
// of memory"), with its target; both empty since a save that succeeded.
struct SaveFailure {
  std::string path, reason;
};
const SaveFailure& LastSaveFailure();
// A save refused before it began (the document's security allows no
// changes) is a save that failed, told as the others are.
void NoteSaveRefused(const std::string& path, ASErrorCode code);
// Memory ran out where the library may not throw, which ends the process:
// a save under way is noted as failed for it ("out of memory"), as one the
// library let fail is; false when no save was under way.
bool FailSaveForMemory();
// A block held from the start, given back when memory runs out, so that a
// run can still say so (and clean up) in one line.
void ReleaseMemoryReserve();
// The allocations that failed since the host started. The library goes on
// after some of its own (a stream's data cut short where it writes one), so
// a writer asks whether any failed while it wrote.
unsigned long FailedAllocations();
// Changed since it was opened or last saved.
bool DocumentChanged(PDDoc doc);
// Why the document's pages cannot be read (a page tree with a loop, or
// nested too deep); empty when they can.
std::string PageTreeFault(PDDoc doc);
// Whether the document's security lets it be changed and saved: not
// encrypted, opened with the owner password or given it since, or its
// encryption allows changes. Every change and save is refused otherwise
// (pdErrNotPermitted); RefusedChanges counts those refusals.
bool ChangesAllowed(PDDoc doc);
int RefusedChanges();
// Decoded stream data past this many bytes is an error (tests lower it).
void SetDecodedDataCap(size_t bytes);
size_t DecodedDataCap();

// Host paths (ASPathName) carry a file-system path; "\" reads as "/".
ASPathName NewPath(const std::string& text);
const std::string& PathText(ASPathName path);  // raises genErrBadHandle
void ReleasePath(ASPathName path);
bool IsPath(ASPathName path);
}  // namespace host

// The headless application ------------------------------------------------
namespace host {
// The document progress monitor (AcroView 15) as a plug-in last set it:
// under way between its begin and end, its duration, value and text.
struct ProgressState {
  bool active = false;
  ASInt32 duration = 0;
  ASInt32 value = 0;
  std::string text;
};
ProgressState CurrentProgress();

// Opens the file as a view document and makes it the active one.
AVDoc OpenInView(const std::string& path, const DocOpenOptions& options = {});
// Makes an open PD document a view document (the active one).
AVDoc ShowInView(PDDoc doc);
// The view shows that page (from 0); raises pdErrBadPageIndex past the end.
void GoToPage(AVDoc doc, ASInt32 page);
AVDoc ActiveViewDocument();
PDDoc ViewPDDoc(AVDoc doc);
void ForgetViewDocument(ASUns32 docId);
void CloseAllDocuments();
// The folder for temporary files: $TMPDIR when it names a folder we can
// write to, else /tmp.
std::string TempFolder();

struct MenuItemInfo {
  std::string name;
  std::string title;
  std::string path;  // titles of the menus above it, joined by " > "
  bool hasExecute;
};
std::vector<MenuItemInfo> MenuItems();
// Runs a menu item by name, after asking its enable procedure as a user
// would; false with the reason when it cannot run.
bool ExecuteMenuItem(const std::string& name, std::string* why);
// The menu bar as a user sees it: each menu (depth 0), then its items, an
// item's submenu items one deeper. Asks every item's enable procedure.
struct MenuEntry {
  int depth;
  bool menu;
  std::string name, title;
  bool enabled;  // an item without an execute procedure is not
  bool marked = false;  // its compute-marked procedure answered true
};
std::vector<MenuEntry> MenuTree();
// The toolbar as a user sees it, in order; asks each button's enable and
// marked procedures (a separator is never enabled nor marked).
struct ToolButtonInfo {
  std::string name, help;
  ASInt32 bitmap;  // the icon's resource number; 0: none
  bool separator, enabled;
  bool marked = false;
};
std::vector<ToolButtonInfo> ToolBarButtons();
// Runs a toolbar button by name, after its enable procedure, as a menu item
// runs; false with the reason when it cannot run.
bool ExecuteToolButton(const std::string& name, std::string* why);
// The version AcroView 7 answers (6.0 unless set).
void SetAppVersion(ASInt16 major, ASInt16 minor);
// Sends the will-save notification to its handlers, in the order registered.
void SendWillSave(PDDoc doc, AVDocWillSaveRec* record);
// Notification 0, the application started: once, after every plug-in's init.
void SendAppStarted();
// Draws the document's page view whatever its state and answers the lines
// a user is shown: "DRAW page P", then each display-list line indented by
// two blanks.
std::vector<std::string> DrawView(AVDoc doc);
// Writes the view as last drawn as a PNG picture at `path` (view/picture.cpp):
// the page, then what was drawn over it; throws std::runtime_error with the
// reason when it cannot. A page whose images declare more decoded data than
// the host allows is not pictured: the answer is the note that says so, else "".
std::string WriteViewPicture(AVDoc doc, const std::string& path);
// The file of an open document other than `except` that a write to `path`
// would land on, under any of its names (view/picture.cpp); "" for none.
std::string OpenDocumentAt(const std::string& path, PDDoc except = nullptr);

// Tools (view/tools.cpp): makes the registered tool of that type active as
// AcroView 21 does; false with the reason when no tool has it.
bool ActivateToolOfType(const std::string& type, std::string* why);
// The active tool's type ("Hand" at start).
std::string ActiveToolType();
// The cursor shown now, by resource number (0, the arrow, at first), and
// making one current as AcroView 160 does (view/windows.cpp).
ASInt32 ShownCursor();
void ShowCursor(ASInt32 id);

// Page views (view/geometry.cpp): the zoom of every view, 1 unless set
// (above 0).
void SetViewZoom(double zoom);
// The view's document and the page it shows (from 0); false for no view
// or a view whose document is closed.
bool ViewPage(AVPageView view, ASUns32* docId, ASInt32* page);
// The view of a closing document lets its page go.
void ReleaseViewPage(ASUns32 docId);
// The view's aperture (AcroView 108): its page's device rectangle.
void ViewAperture(AVPageView view, AVDevRect* rect);
// The document's one handle for that page while something holds it
// (pd/pd.cpp): taking it again adds a hold, PDModel 138 drops one.
PDPage AcquirePageHandle(ASUns32 docId, ASInt32 index);
void ReleasePageHandle(PDPage page);
// The view documents, the active one first (view/app.cpp).
std::vector<ASUns32> ViewDocIds();
// Calls the handlers of a notification in the order registered; one
// unregistered meanwhile is not called, one registered meanwhile first
// hears the next notification.
void ForEachHandler(ASInt32 type, const std::function<void(ASCallback proc, void* clientData)>& call);
// Notifications 2, 7, 13, 14 and 34 (view/events.cpp).
void SendDocDidActivate(AVDoc doc);
void SendDocWillClose(AVDoc doc);
void SendPageViewDidDraw(AVPageView view);
void SendPageViewDidChange(AVPageView view);
void SendPageDidChange(PDPage page);
// `close`: the active document closes unsaved, after notification 7; the
// one active before it becomes active again. False when none is open.
bool CloseActiveDocument();
// `activate N`: the N-th open document in the order opened (from 1); false
// with the reason when there is none.
bool ActivateDocument(int n, std::string* why);
// `set-page-key`: VALUE (PDF syntax, a direct object; null removes the key)
// under /KEY of the page the document's view shows; the document is marked
// changed and notification 34 raised. False with the reason for a bad value.
bool SetPageKey(AVDoc doc, const std::string& key, const std::string& value, std::string* why);

// The user's pointer, mouse and keys (view/mouse.cpp), in device units of
// the active document's view.
struct DevicePoint {
  ASInt32 x, y;
};
void SetPointer(ASInt32 x, ASInt32 y);
// Hands the click at the first point to the active tool, then each poll of
// the button moves the pointer to the next point. False when nothing was
// handed over (a host tool, a point outside the view).
bool ClickActiveTool(AVDoc doc, const std::vector<DevicePoint>& points);
// Hands the key to the active tool, AcroView 156 answering `flags` meanwhile.
bool KeyActiveTool(ASUns16 key, ASInt32 flags);
// Where the drawing calls, invalidations and cursor changes of page views
// go as they happen (`--log view`); none: nowhere.
void SetViewEventSink(std::function<void(const std::string&)> sink);
// The application's preferences as AcroView 31 answers them (view/frames.cpp):
// 39, the page units, starts at 1, the others at 0.
void SetPreference(ASInt32 preference, ASInt32 value);
ASInt32 Preference(ASInt32 preference);
// Sets a preference as AcroView 32 does: a change is told (notification 92).
void ChangePreference(ASInt32 preference, ASInt32 value);
// The name of the host's menu item that switches the preference ("Overprint"
// 131, "UseLocalFonts" 76); false when no item switches it.
bool SetPreferenceItemName(ASInt32 preference, const std::string& name);
}  // namespace host

// A log of view, dialog and window calls, for tests. plughost keeps none:
// a run of many steps would hold every line to its end.
namespace hosttest {
void LogCall(const std::string& entry);
void KeepCallLog(bool kept);
const std::vector<std::string>& CallLog();
void ClearCallLog();
}  // namespace hosttest
