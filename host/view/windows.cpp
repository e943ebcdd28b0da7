// AcroView entries around dialogs: host windows made over a dialog's
// platform window, the host's modal state, standard cursors and the cancel
// procedure. Everything is logged for tests (hosttest::CallLog).
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

#include "dialogs/internal.h"
#include "dialogs/metrics.h"
#include "view/view.h"

namespace host {
namespace {

struct HostWindow {
  ASInt32 layer;
  ASUns32 flags;
  WinWindow platform;
  bool visible = false;
};

struct CursorRec {
  ASInt32 id;
};

struct WindowState {
  std::map<uintptr_t, HostWindow> windows;
  uintptr_t next = 1;
  std::vector<uintptr_t> modal;  // windows in the modal state, innermost last
  std::map<ASInt32, std::unique_ptr<CursorRec>> cursors;
  ASInt32 cursor = 0;
};

WindowState& WS() {
  static auto* state = new WindowState;
  return *state;
}

uintptr_t Id(AVWindow window) { return reinterpret_cast<uintptr_t>(window); }
std::string Name(uintptr_t id) { return "host window " + std::to_string(id); }

HostWindow& W(AVWindow window) {
  auto it = WS().windows.find(Id(window));
  if (it == WS().windows.end()) Raise(genErrBadHandle);
  return it->second;
}

void Forget(uintptr_t id) {
  auto& modal = WS().modal;
  modal.erase(std::remove(modal.begin(), modal.end(), id), modal.end());
  WS().windows.erase(id);
  hosttest::LogCall(Name(id) + " destroyed");
}

// Moves the platform window under the host window by (dx, dy).
void Shift(const HostWindow& w, ASInt32 dx, ASInt32 dy) {
  ADMRect r;
  if (!WindowBounds(w.platform, &r)) return;
  SetWindowBounds(w.platform, ADMRect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy});
}

#define ENTER(sel) Enter(TableId::AcroView, AcroViewSel::sel)

ASBool CancelProc(void*) { return CancelRequested() ? 1 : 0; }

AVCancelProc AVAppGetCancelProcImpl(void** clientData) {
  ENTER(AppGetCancelProc);
  if (clientData) *clientData = nullptr;
  return &CancelProc;
}

void AVAppBeginModalImpl(AVWindow window) {
  ENTER(AppBeginModal);
  W(window);
  WS().modal.push_back(Id(window));
  hosttest::LogCall("modal begin " + std::to_string(Id(window)));
}

// Ends the modal state of that window; a window not in it changes nothing.
void AVAppEndModalImpl(AVWindow window) {
  ENTER(AppEndModal);
  auto& modal = WS().modal;
  auto it = std::find(modal.rbegin(), modal.rend(), Id(window));
  if (it == modal.rend()) return;
  modal.erase(std::next(it).base());
  hosttest::LogCall("modal end " + std::to_string(Id(window)));
}

AVCursor CursorOf(ASInt32 cursorID) {
  auto& rec = WS().cursors[cursorID];
  if (!rec) rec = std::make_unique<CursorRec>(CursorRec{cursorID});
  return reinterpret_cast<AVCursor>(rec.get());
}

AVCursor AVSysGetStandardCursorImpl(ASInt32 cursorID) {
  ENTER(SysGetStandardCursor);
  return CursorOf(cursorID);
}

void AVSysSetCursorImpl(AVCursor cursor) {
  ENTER(SysSetCursor);
  for (auto& entry : WS().cursors)
    if (reinterpret_cast<AVCursor>(entry.second.get()) == cursor) {
      WS().cursor = entry.first;
      hosttest::LogCall("cursor " + std::to_string(entry.first));
      ViewEvent("cursor " + std::to_string(entry.first));
      return;
    }
  Raise(genErrBadHandle);
}

// The cursor shown now: the standard cursor last set (0, the arrow, at first).
AVCursor AVSysGetCursorImpl() {
  ENTER(SysGetCursor);
  return CursorOf(WS().cursor);
}

AVWindow AVWindowNewFromPlatformThingImpl(ASInt32 layer, ASUns32 flags, AVWindowHandler handler, ASUns32,
                                          WinWindow platformWindow) {
  ENTER(WindowNewFromPlatformThing);
  if (!WindowBounds(platformWindow, nullptr)) Raise(genErrBadParm);
  if (handler && handler->size < sizeof(ASUns32)) Raise(genErrBadParm);
  uintptr_t id = WS().next++;
  WS().windows[id] = HostWindow{layer, flags, platformWindow};
  char text[96];
  std::snprintf(text, sizeof text, " made layer %d flags 0x%08X", static_cast<int>(layer), static_cast<unsigned>(flags));
  hosttest::LogCall(Name(id) + text);
  return reinterpret_cast<AVWindow>(id);
}

void AVWindowDestroyImpl(AVWindow window) {
  ENTER(WindowDestroy);
  W(window);
  Forget(Id(window));
}

void AVWindowShowImpl(AVWindow window) {
  ENTER(WindowShow);
  W(window).visible = true;
  hosttest::LogCall(Name(Id(window)) + " shown");
}

void AVWindowHideImpl(AVWindow window) {
  ENTER(WindowHide);
  W(window).visible = false;
  hosttest::LogCall(Name(Id(window)) + " hidden");
}

void AVWindowCenterImpl(AVWindow window) {
  ENTER(WindowCenter);
  HostWindow& w = W(window);
  ADMRect r;
  if (!WindowBounds(w.platform, &r)) return;
  Shift(w, (metrics::kScreenWidth - (r.right - r.left)) / 2 - r.left,
        (metrics::kScreenHeight - (r.bottom - r.top)) / 2 - r.top);
  hosttest::LogCall(Name(Id(window)) + " centred");
}

// Brings the window inside the screen, its top-left corner first.
void AVWindowEnsureInBoundsImpl(AVWindow window) {
  ENTER(WindowEnsureInBounds);
  if (!window) return;
  HostWindow& w = W(window);
  ADMRect r;
  if (!WindowBounds(w.platform, &r)) return;
  ASInt32 left = std::max(0, std::min(r.left, metrics::kScreenWidth - (r.right - r.left)));
  ASInt32 top = std::max(0, std::min(r.top, metrics::kScreenHeight - (r.bottom - r.top)));
  Shift(w, left - r.left, top - r.top);
  hosttest::LogCall(Name(Id(window)) + " kept on screen");
}

void AVSysSetBusyImpl(ASBool busy, ASInt32 flags) {
  ENTER(SysSetBusy);
  hosttest::LogCall("busy " + std::to_string(busy) + " " + std::to_string(flags));
}

}  // namespace

ASInt32 ShownCursor() { return WS().cursor; }

void ShowCursor(ASInt32 id) {
  CursorOf(id);
  WS().cursor = id;
  hosttest::LogCall("cursor " + std::to_string(id));
  ViewEvent("cursor " + std::to_string(id));
}

void DestroyHostWindowsOver(WinWindow platform) {
  std::vector<uintptr_t> over;
  for (auto& entry : WS().windows)
    if (entry.second.platform == platform) over.push_back(entry.first);
  for (uintptr_t id : over) Forget(id);
}

void InitAcroViewDialogEntries() {
  HFT t = Import(ACROVIEW_HFT_NAME, HFT_VERSION(5, 0));
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(t, AcroViewSel, AV##name##Impl, name, ret, params);
  HOST_ACROVIEW_DIALOG_PROCS(FILL)
#undef FILL
}

}  // namespace host

namespace hosttest {
int ModalDepth() { return static_cast<int>(host::WS().modal.size()); }
int HostWindowCount() { return static_cast<int>(host::WS().windows.size()); }
ASInt32 CurrentCursor() { return host::WS().cursor; }
}  // namespace hosttest
