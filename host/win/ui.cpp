// Windows services around dialogs: the tick count, the keyboard focus and
// the module that holds an address; and the host's "Win" table, which gives
// the window that dialogs of a document take as their parent.
#include <time.h>

#include "dialogs/internal.h"

namespace host {
namespace {

struct UIState {
  bool fixedClock = false;
  ASUns32 ticks = 0;
  WinWindow focus = nullptr;  // none: the application's window
};

UIState& U() {
  static auto* state = new UIState;
  return *state;
}

std::string WindowName(WinWindow window) { return std::to_string(reinterpret_cast<uintptr_t>(window)); }

#define ENTER(sel) Enter(TableId::Windows, WindowsSel::sel)

// Milliseconds since an arbitrary start, wrapping at 2^32 as the system's does.
ASUns32 WinGetTickCountImpl() {
  ENTER(GetTickCount);
  if (U().fixedClock) return U().ticks;
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<ASUns32>(static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

WinWindow WinGetFocusImpl() {
  ENTER(GetFocus);
  return U().focus ? U().focus : AppWindow();
}

WinWindow WinSetFocusImpl(WinWindow window) {
  ENTER(SetFocus);
  WinWindow previous = U().focus ? U().focus : AppWindow();
  U().focus = window;
  hosttest::LogCall("focus " + WindowName(window));
  return previous;
}

WinModule WinModuleHandleImpl(const void* address) {
  ENTER(ModuleHandle);
  return ModuleOfAddress(address);
}

// Every document shows in the application's one window.
WinWindow WinAppGetModalParentImpl(AVDoc) {
  Enter(TableId::Win, WinSel::AppGetModalParent);
  return AppWindow();
}

}  // namespace

void InitWindowsUIEntries() {
  HFT windows = Import(WINDOWS_HFT_NAME, HFT_VERSION(1, 0));
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(windows, WindowsSel, Win##name##Impl, name, ret, params);
  HOST_WINDOWS_UI_PROCS(FILL)
#undef FILL
  HFT win = NewTable(WIN_HFT_NAME, HFT_VERSION(5, 0), WinSel::Last);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(win, WinSel, Win##name##Impl, name, ret, params);
  HOST_WIN_PROCS(FILL)
#undef FILL
  Publish(win);
}

}  // namespace host

namespace hosttest {
void SetTickCount(ASUns32 ms) {
  host::U().fixedClock = true;
  host::U().ticks = ms;
}
void UseRealClock() { host::U().fixedClock = false; }
WinWindow FocusWindow() { return host::U().focus ? host::U().focus : host::AppWindow(); }
}  // namespace hosttest
