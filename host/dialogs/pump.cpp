// The message pump and the window services around it. Messages come from
// the driver only (presses for items of open modeless dialogs, queued at
// the start of a pump round); a plug-in that pumps while it works takes,
// translates and dispatches them, and a dispatched press is the user's
// press. A round ends when the queue answers empty. Windows' order is only
// logged; their words (the style) are kept; the combo-box reset message
// empties a pop-up's list.
#include <cstdio>
#include <deque>
#include <map>

#include "dialogs/model.h"

namespace host {
namespace {
using namespace dm;

struct PumpState {
  std::deque<WinMsg> queue;
  int rounds = 0;
  bool inRound = false;
  std::map<WinWindow, std::map<ASInt32, ASInt32>> words;
};

PumpState& P() {
  static auto* state = new PumpState;
  return *state;
}

Item* ItemOfWindow(WinWindow window) {
  auto it = M().itemWindows.find(window);
  return it == M().itemWindows.end() ? nullptr : it->second;
}

// "item 1007", "dialog 900", "window 1"; empty for a window that is gone.
std::string WindowName(WinWindow window) {
  if (Item* item = ItemOfWindow(window)) return "item " + std::to_string(item->id);
  auto it = M().windows.find(window);
  if (it != M().windows.end()) return "dialog " + std::to_string(it->second->number);
  if (window == AppWindow()) return "window 1";
  return "";
}

bool Matches(const WinMsg& m, WinWindow window, ASUns32 first, ASUns32 last) {
  if (window && m.window != window) return false;
  return (first == 0 && last == 0) || (m.message >= first && m.message <= last);
}

#define ENTER(sel) Enter(TableId::Windows, WindowsSel::sel)

ASBool WinSetWindowOrderImpl(WinWindow window, ASInt32 order) {
  ENTER(SetWindowOrder);
  std::string name = WindowName(window);
  if (name.empty() || (order != winOrderBottom && order != winOrderTopMost)) return 0;
  hosttest::LogCall(name + (order == winOrderBottom ? " window to the bottom" : " window top-most"));
  return 1;
}

intptr_t WinSendMessageImpl(WinWindow window, ASUns32 message, uintptr_t, intptr_t) {
  ENTER(SendMessage);
  Item* item = ItemOfWindow(window);
  if (message == winMsgComboReset && item && item->list) {
    ClearList(*item);
    hosttest::LogCall("item " + std::to_string(item->id) + " combo box reset");
  }
  return 0;
}

ASInt32 WinGetWindowWordImpl(WinWindow window, ASInt32 index) {
  ENTER(GetWindowWord);
  auto& words = P().words[window];
  auto it = words.find(index);
  return it == words.end() ? 0 : it->second;
}

// Answers the word's value before.
ASInt32 WinSetWindowWordImpl(WinWindow window, ASInt32 index, ASInt32 value) {
  ENTER(SetWindowWord);
  std::string name = WindowName(window);
  if (name.empty()) return 0;
  ASInt32& word = P().words[window][index];
  ASInt32 previous = word;
  word = value;
  char text[32];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  hosttest::LogCall(name + " window word " + std::to_string(index) + " " + text);
  return previous;
}

ASBool WinPeekMessageImpl(WinMsg* message, WinWindow window, ASUns32 first, ASUns32 last, ASUns32 flags) {
  ENTER(PeekMessage);
  if (!message) Raise(genErrBadParm);
  PumpState& p = P();
  if (!p.inRound) {
    p.inRound = true;
    ++p.rounds;
    if (M().driver) M().driver->PumpRound(p.rounds);
  }
  for (auto it = p.queue.begin(); it != p.queue.end(); ++it) {
    if (!Matches(*it, window, first, last)) continue;
    *message = *it;
    if (flags & winPeekRemove) p.queue.erase(it);
    return 1;
  }
  p.inRound = false;
  return 0;
}

ASBool WinTranslateMessageImpl(const WinMsg*) {
  ENTER(TranslateMessage);
  return 0;  // no key messages to translate
}

// A press that can no longer be made (its dialog went, its item was
// disabled meanwhile) is dropped, as a click on nothing.
intptr_t WinDispatchMessageImpl(const WinMsg* message) {
  ENTER(DispatchMessage);
  if (!message || message->message != winMsgCommand) return 0;
  Item* item = ItemOfWindow(reinterpret_cast<WinWindow>(message->lParam));
  if (!item || item->dialog->runs) return 0;
  std::string why;
  if (!PressItem(Ref(*item), &why)) hosttest::LogCall("press dropped: " + why);
  return 0;
}

}  // namespace

bool QueuePress(ADMItemRef ref, std::string* why) {
  auto item = UsableItem(ref, why);
  if (!item) return false;
  if (item->dialog->modal || item->dialog->runs)
    return Refuse(why, DialogName(*item->dialog) + " is modal: presses in the pump go to modeless dialogs");
  P().queue.push_back(WinMsg{item->dialog->window, winMsgCommand, static_cast<uintptr_t>(static_cast<uint32_t>(item->id)),
                             reinterpret_cast<intptr_t>(item->window)});
  return true;
}

int PumpRounds() { return P().rounds; }

void InitPumpEntries() {
  HFT windows = Import(WINDOWS_HFT_NAME, HFT_VERSION(1, 0));
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(windows, WindowsSel, Win##name##Impl, name, ret, params);
  HOST_WINDOWS_PUMP_PROCS(FILL)
#undef FILL
}

}  // namespace host
