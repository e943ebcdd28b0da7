// The dialog manager: dialogs built from templates, their items, modal runs
// that ask the driver what the user does, the road of notifications, and the
// Dialog, Item and Notifier suites.
//
// Exceptions pass through: a procedure that throws ends its dialog on the
// way (destroy procedures, host windows) and the exception goes on to the
// code that opened the dialog.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <set>

#include "dialogs/metrics.h"
#include "dialogs/model.h"

namespace host {
namespace dm {

ManagerState& M() {
  static auto* state = new ManagerState;
  return *state;
}

ADMDialogRef Ref(const Dialog& d) { return reinterpret_cast<ADMDialogRef>(d.handle); }
ADMItemRef Ref(const Item& i) { return reinterpret_cast<ADMItemRef>(i.handle); }

std::shared_ptr<Dialog> FindDialog(ADMDialogRef ref) {
  auto it = M().dialogs.find(reinterpret_cast<uintptr_t>(ref));
  return it == M().dialogs.end() ? nullptr : it->second;
}
std::shared_ptr<Item> FindItem(ADMItemRef ref) {
  auto it = M().items.find(reinterpret_cast<uintptr_t>(ref));
  return it == M().items.end() ? nullptr : it->second;
}
Dialog& D(ADMDialogRef ref) {
  auto d = FindDialog(ref);
  if (!d) Raise(genErrBadHandle);
  return *d;
}
Item& I(ADMItemRef ref) {
  auto i = FindItem(ref);
  if (!i) Raise(genErrBadHandle);
  return *i;
}
Entry& E(ADMEntryRef ref) {
  auto it = M().entries.find(reinterpret_cast<uintptr_t>(ref));
  if (it == M().entries.end()) Raise(genErrBadHandle);
  return *it->second;
}
List& L(ADMListRef ref) {
  auto it = M().lists.find(reinterpret_cast<uintptr_t>(ref));
  if (it == M().lists.end()) Raise(genErrBadHandle);
  return *it->second;
}
Drawer& DR(ADMDrawerRef ref) {
  if (!M().live.count(ref)) Raise(genErrBadHandle);
  return *reinterpret_cast<Drawer*>(ref);
}

std::string DialogName(const Dialog& d) { return "dialog " + std::to_string(d.number) + " \"" + d.title + "\""; }
std::string ItemName(const Item& i) {
  return "item " + std::to_string(i.id) + (i.text.empty() ? "" : " \"" + i.text + "\"");
}

bool Refuse(std::string* why, const std::string& reason) {
  if (why) *why = reason;
  return false;
}

void CopyText(const std::string& from, char* text, ASInt32 maxLength) {
  if (!text || maxLength <= 0) return;
  size_t n = std::min(from.size(), static_cast<size_t>(maxLength) - 1);
  std::memcpy(text, from.data(), n);
  text[n] = 0;
}

}  // namespace dm

namespace {
using namespace dm;

Notifier& N(ADMNotifierRef ref) {
  if (!M().live.count(ref)) Raise(genErrBadHandle);
  return *reinterpret_cast<Notifier*>(ref);
}

// A modal run under way.
class RunScope {
 public:
  explicit RunScope(Dialog& d) : d_(d) {
    ++d.runs;
    M().runs.push_back(&d);
  }
  ~RunScope() {
    --d_.runs;
    auto& runs = M().runs;
    auto it = std::find(runs.rbegin(), runs.rend(), &d_);
    if (it != runs.rend()) runs.erase(std::next(it).base());
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

 private:
  Dialog& d_;
};

std::string Text(const char* text) { return text ? text : ""; }

ASInt32 KindOfType(const char* type) {
  if (!type) return 0;
  for (ASInt32 kind = kPIItemPushButton; ItemTypeName(kind); ++kind)
    if (std::strcmp(ItemTypeName(kind), type) == 0) return kind;
  return 0;
}

}  // namespace

namespace dm {
namespace {

// Every item has a platform window of its own.
std::shared_ptr<Item> NewItem(Dialog& d, ASInt32 id, ASInt32 kind, const ADMRect& bounds) {
  auto item = std::make_shared<Item>();
  item->handle = M().nextHandle++;
  item->dialog = &d;
  item->id = id;
  item->kind = kind;
  item->bounds = bounds;
  item->window = reinterpret_cast<WinWindow>(M().nextWindow++);
  M().items[item->handle] = item;
  M().itemWindows[item->window] = item.get();
  return item;
}

}  // namespace

void Forget(Item& item) {
  for (auto& child : item.children) Forget(*child);
  item.children.clear();
  DropList(item);
  M().itemWindows.erase(item.window);
  M().items.erase(item.handle);
  if (item.dialog->focus == &item) item.dialog->focus = nullptr;
}

std::shared_ptr<Item> AddItem(Dialog& d, ASInt32 id, ASInt32 kind, const std::string& text, const ADMRect& bounds) {
  auto item = NewItem(d, id, kind, bounds);
  item->text = text;
  d.items.push_back(item);
  MakeListParts(*item);
  return item;
}

std::shared_ptr<Item> AddChild(Item& parent, ASInt32 kind) {
  auto child = NewItem(*parent.dialog, kADMNoItem, kind, ADMRect{});
  child->parent = &parent;
  parent.children.push_back(child);
  return child;
}

}  // namespace dm

namespace {

std::shared_ptr<Dialog> MakeDialog(ADMPluginRef plugin, const char* name, ASInt32 number, ASInt32 style,
                                   ADMUserData data, bool modal) {
  PluginRec& owner = PluginOf(plugin);
  const PIDialogTemplate* t = FindDialogTemplate(owner.access, number);
  if (!t) {
    hosttest::LogCall("no dialog template " + std::to_string(number));
    return nullptr;
  }
  auto d = std::make_shared<Dialog>();
  d->handle = M().nextHandle++;
  d->number = number;
  d->name = Text(name);
  d->title = Text(t->title);
  d->plugin = plugin;
  d->cursorPlugin = plugin;
  d->style = style;
  d->window = reinterpret_cast<WinWindow>(M().nextWindow++);
  d->bounds = ADMRect{0, 0, metrics::DialogUnitsToPixelsX(t->width), metrics::DialogUnitsToPixelsY(t->height)};
  d->userData = data;
  d->modal = modal;
  d->visible = modal;
  M().dialogs[d->handle] = d;
  M().windows[d->window] = d.get();
  for (ASUns32 n = 0; t->items && n < t->itemCount; ++n) {
    const PIDialogItemTemplate& it = t->items[n];
    if (!ItemTypeName(it.kind)) continue;  // a kind this host does not build
    ASInt32 left = metrics::DialogUnitsToPixelsX(it.x), top = metrics::DialogUnitsToPixelsY(it.y);
    ADMRect r{left, top, left + metrics::DialogUnitsToPixelsX(it.width), top + metrics::DialogUnitsToPixelsY(it.height)};
    auto item = AddItem(*d, it.id, it.kind, Text(it.text), r);
    item->enabled = !(it.state & kPIItemDisabled);
    item->on = (it.state & kPIItemOn) != 0;
    item->isDefault = (it.state & kPIItemDefault) != 0;
    item->visible = !(it.state & kPIItemHidden);
  }
  hosttest::LogCall("dialog " + std::to_string(number) + " made");
  return d;
}

ItemView Describe(const Item& i) {
  return ItemView{Ref(i), i.id, Text(ItemTypeName(i.kind)), ShownText(i), i.enabled, i.visible, i.on, i.bounds,
                  i.value, i.minimum, i.maximum, i.low, i.high};
}

DialogView Describe(const Dialog& d) {
  DialogView v{Ref(d), d.number, d.name, d.title, d.modal, d.visible, d.bounds, d.cursor, {}};
  for (auto& i : d.items)
    if (!i->ending) v.items.push_back(Describe(*i));
  return v;
}

void DestroyItem(const std::shared_ptr<Item>& item) {
  if (item->ending) return;
  item->ending = true;
  auto remove = [&] {
    auto& items = item->dialog->items;
    items.erase(std::remove(items.begin(), items.end(), item), items.end());
    Forget(*item);
  };
  try {
    if (item->destroy) item->destroy(Ref(*item));
  } catch (...) {
    remove();
    throw;
  }
  remove();
}

void RequestEnd(Dialog& d, ASInt32 item) {
  if (d.runs && !d.endRequested) {
    d.endRequested = true;
    d.endItem = item;
  }
}

void Show(Dialog& d) {
  d.visible = true;
  if (!d.shown) {
    d.shown = true;
    DrawDialog(d, true);
  }
}

// The road of a notification: the item's procedure, else the item's default,
// which hands it to the dialog's procedure, else to the dialog's default.
void DialogDefaultNotify(Dialog& d, const Notifier& n) {
  if (n.type == ADM_NOTIFY_USER_CHANGED && n.item && n.item->kind == kPIItemPushButton &&
      (n.item->id == 1 || n.item->id == 2))
    RequestEnd(d, n.item->id);
}

void NotifyDialog(Dialog& d, Notifier& n) {
  if (d.ending) return;
  if (d.notify)
    d.notify(Ref(d), reinterpret_cast<ADMNotifierRef>(&n));
  else
    DialogDefaultNotify(d, n);
}

void Announce(Dialog& d) {
  d.announced = true;
  if (M().driver) M().driver->Opened(Describe(d));
}

ADMErr RunInit(const std::shared_ptr<Dialog>& d, ADMDialogInitProc init) {
  if (!init) return kADMErrNone;
  try {
    return init(Ref(*d));
  } catch (...) {
    EndDialog(d, false);
    throw;
  }
}

[[noreturn]] void Exhausted(const Dialog& d, const char* what) {
  SetFailureDetail(std::string(what) + " " + DialogName(d));
  Raise(avErrScriptExhausted);
}

// A modal run: shows the dialog and asks the driver for one action at a time
// until something ends the run; what was invalidated is drawn before each.
ASInt32 Run(const std::shared_ptr<Dialog>& d) {
  d->modal = true;
  try {
    RunScope run(*d);
    Show(*d);
    while (!d->endRequested && !d->ending) {
      if (!M().driver) Exhausted(*d, "no driver answers");
      DrawDialog(*d, false);
      if (d->endRequested || d->ending) break;
      unsigned long before = M().actions;
      M().driver->Act(Ref(*d));
      if (M().actions == before && !d->endRequested && !d->ending) Exhausted(*d, "the driver did nothing in");
    }
  } catch (...) {
    EndDialog(d, false);
    throw;
  }
  ASInt32 item = d->endItem;
  EndDialog(d, true);
  return item;
}

}  // namespace

namespace dm {

// Ends a dialog: its destroy procedure, each item left, its host windows,
// its window. With `rethrow` false a procedure's exception is dropped: the
// caller is already carrying one.
void EndDialog(const std::shared_ptr<Dialog>& d, bool rethrow) {
  if (d->ending) return;
  d->ending = true;
  DialogView last = Describe(*d);
  std::exception_ptr failure;
  auto step = [&](auto&& body) {
    try {
      body();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  };
  if (d->destroy) step([&] { d->destroy(Ref(*d)); });
  while (!d->items.empty()) {
    auto item = d->items.front();
    step([&] { DestroyItem(item); });
  }
  step([&] { DestroyHostWindowsOver(d->window); });
  M().windows.erase(d->window);
  M().dialogs.erase(d->handle);
  hosttest::LogCall("dialog " + std::to_string(d->number) + " destroyed");
  if (d->announced && M().driver) step([&] { M().driver->Closed(last, d->modal ? d->endItem : kADMNoItem); });
  if (failure && rethrow) std::rethrow_exception(failure);
}

void NotifyItem(Item& item, const char* type) {
  Notifier n{type, &item, item.dialog};
  LiveScope live(&n);
  if (item.notify)
    item.notify(Ref(item), reinterpret_cast<ADMNotifierRef>(&n));
  else
    NotifyDialog(*item.dialog, n);
}

std::shared_ptr<Item> UsableItem(ADMItemRef ref, std::string* why) {
  auto item = FindItem(ref);
  std::string reason;
  if (!item || item->ending || item->dialog->ending || item->parent)
    reason = "the item is gone";
  else if (!item->dialog->visible)
    reason = DialogName(*item->dialog) + " is not shown";
  else if (!item->visible)
    reason = ItemName(*item) + " is hidden";
  else if (!item->enabled)
    reason = ItemName(*item) + " is disabled";
  if (reason.empty()) return item;
  Refuse(why, reason);
  return nullptr;
}

}  // namespace dm

namespace {

// Radio buttons that stand next to each other form a group.
void SelectRadio(Item& item) {
  auto& items = item.dialog->items;
  auto self = std::find_if(items.begin(), items.end(), [&](const std::shared_ptr<Item>& i) { return i.get() == &item; });
  auto first = self, last = self;
  while (first != items.begin() && (*(first - 1))->kind == kPIItemRadioButton) --first;
  while (last + 1 != items.end() && (*(last + 1))->kind == kPIItemRadioButton) ++last;
  for (auto it = first; it <= last; ++it) {
    (*it)->on = it == self;
    Invalidate(**it);
  }
}

// What a press gives an item once its track procedure let it through.
void Pressed(Item& item) {
  if (item.kind == kPIItemCheckBox) item.on = !item.on;
  if (item.kind == kPIItemRadioButton) SelectRadio(item);
  NotifyItem(item, ADM_NOTIFY_USER_CHANGED);
}

// The text an item holds: a pop-up's is its selected entry's.
std::string ItemText(const Item& item) { return item.list && item.kind == kPIItemPopupList ? SelectedText(item) : item.text; }

void SetText(Item& item, std::string text) {
  if (item.text == text) return;
  item.text = std::move(text);
  Invalidate(item);
}

// Items made while the dialog runs, by the Dialog suite or the Item suite.
ADMItemRef CreateItem(ADMDialogRef dialog, ASInt32 id, const char* type, const ADMRect* bounds,
                      ADMItemInitProc init, ADMUserData data) {
  Dialog& d = D(dialog);
  ASInt32 kind = KindOfType(type);
  if (!kind || d.ending) return nullptr;
  auto item = AddItem(d, id, kind, "", bounds ? *bounds : ADMRect{0, 0, 0, 0});
  item->userData = data;
  ADMErr err = kADMErrNone;
  if (init) {
    try {
      err = init(Ref(*item));
    } catch (...) {
      try {
        DestroyItem(item);
      } catch (...) {
      }
      throw;
    }
  }
  if (err != kADMErrNone) {
    DestroyItem(item);
    return nullptr;
  }
  return item->ending ? nullptr : Ref(*item);
}

void SetBounds(Item& item, const ADMRect& bounds) {
  if (bounds.right < bounds.left || bounds.bottom < bounds.top) Raise(genErrBadParm);
  item.bounds = bounds;
  PlaceChildren(item);
  Invalidate(item);
}

// Suites ---------------------------------------------------------------------
#define DENTER(sel) SuiteEnter(TableId::ADMDialog, ADMDialogSel::sel, "Dialog")
#define IENTER(sel) SuiteEnter(TableId::ADMItem, ADMItemSel::sel, "Item")
#define NENTER(sel) SuiteEnter(TableId::ADMNotifier, ADMNotifierSel::sel, "Notifier")

ADMDialogRef DialogCreateImpl(ADMPluginRef plugin, const char* name, ASInt32 id, ASInt32 style,
                              ADMDialogInitProc init, ADMUserData data, ASInt32) {
  DENTER(Create);
  auto d = MakeDialog(plugin, name, id, style, data, false);
  if (!d) return nullptr;
  if (RunInit(d, init) != kADMErrNone) {
    EndDialog(d, true);
    return nullptr;
  }
  if (d->ending) return nullptr;
  Announce(*d);
  return Ref(*d);
}

ASInt32 DialogModalImpl(ADMPluginRef plugin, const char* name, ASInt32 id, ASInt32 style,
                        ADMDialogInitProc init, ADMUserData data, ASInt32) {
  DENTER(Modal);
  auto d = MakeDialog(plugin, name, id, style, data, true);
  if (!d) return kADMNoItem;
  if (RunInit(d, init) != kADMErrNone) {
    EndDialog(d, true);
    return kADMNoItem;
  }
  if (d->ending) return kADMNoItem;
  Announce(*d);
  return Run(d);
}

ASInt32 DialogRunMadeImpl(ADMDialogRef dialog) {
  DENTER(RunMade);
  auto d = FindDialog(dialog);
  if (!d) Raise(genErrBadHandle);
  if (d->ending || d->runs) Raise(genErrBadParm);
  return Run(d);
}

void DialogDestroyImpl(ADMDialogRef dialog) {
  DENTER(Destroy);
  auto d = FindDialog(dialog);
  if (!d) Raise(genErrBadHandle);
  if (d->ending) return;
  if (d->runs) {
    RequestEnd(*d, kADMNoItem);  // the run ends it
    return;
  }
  EndDialog(d, true);
}

void DialogSetDrawProcImpl(ADMDialogRef dialog, ADMDialogDrawProc proc) {
  DENTER(SetDrawProc);
  D(dialog).draw = proc;
}
void DialogDefaultDrawImpl(ADMDialogRef dialog, ADMDrawerRef) {
  DENTER(DefaultDraw);
  D(dialog);
}
void DialogSetTrackProcImpl(ADMDialogRef dialog, ADMDialogTrackProc proc) {
  DENTER(SetTrackProc);
  D(dialog).track = proc;
}
ADMBoolean DialogDefaultTrackImpl(ADMDialogRef dialog, ADMTrackerRef) {
  DENTER(DefaultTrack);
  D(dialog);
  return 1;
}
void DialogSetNotifyProcImpl(ADMDialogRef dialog, ADMDialogNotifyProc proc) {
  DENTER(SetNotifyProc);
  D(dialog).notify = proc;
}
void DialogDefaultNotifyImpl(ADMDialogRef dialog, ADMNotifierRef notifier) {
  DENTER(DefaultNotify);
  DialogDefaultNotify(D(dialog), N(notifier));
}
void DialogSetDestroyProcImpl(ADMDialogRef dialog, ADMDialogDestroyProc proc) {
  DENTER(SetDestroyProc);
  D(dialog).destroy = proc;
}
void DialogSetUserDataImpl(ADMDialogRef dialog, ADMUserData data) {
  DENTER(SetUserData);
  D(dialog).userData = data;
}
ADMUserData DialogGetUserDataImpl(ADMDialogRef dialog) {
  DENTER(GetUserData);
  return D(dialog).userData;
}
ADMPluginRef DialogGetPluginRefImpl(ADMDialogRef dialog) {
  DENTER(GetPluginRef);
  return D(dialog).plugin;
}
WinWindow DialogGetWindowRefImpl(ADMDialogRef dialog) {
  DENTER(GetWindowRef);
  return D(dialog).window;
}
ASInt32 DialogGetDialogStyleImpl(ADMDialogRef dialog) {
  DENTER(GetDialogStyle);
  return D(dialog).style;
}
void DialogShowImpl(ADMDialogRef dialog, ADMBoolean show) {
  DENTER(Show);
  Dialog& d = D(dialog);
  if (show)
    Show(d);
  else
    d.visible = false;
}
ADMBoolean DialogIsVisibleImpl(ADMDialogRef dialog) {
  DENTER(IsVisible);
  return D(dialog).visible ? 1 : 0;
}
void DialogSetBoundsRectImpl(ADMDialogRef dialog, const ADMRect* bounds) {
  DENTER(SetBoundsRect);
  Dialog& d = D(dialog);
  if (!bounds || bounds->right < bounds->left || bounds->bottom < bounds->top) Raise(genErrBadParm);
  d.bounds = *bounds;
}
void DialogGetBoundsRectImpl(ADMDialogRef dialog, ADMRect* bounds) {
  DENTER(GetBoundsRect);
  Dialog& d = D(dialog);
  if (!bounds) Raise(genErrBadParm);
  *bounds = d.bounds;
}
void DialogMoveImpl(ADMDialogRef dialog, ASInt32 x, ASInt32 y) {
  DENTER(Move);
  Dialog& d = D(dialog);
  d.bounds = ADMRect{x, y, x + d.bounds.right - d.bounds.left, y + d.bounds.bottom - d.bounds.top};
}
void DialogSetTextImpl(ADMDialogRef dialog, const char* text) {
  DENTER(SetText);
  D(dialog).title = Text(text);
}
void DialogSetTextWImpl(ADMDialogRef dialog, const ASUns16* text) {
  DENTER(SetTextW);
  D(dialog).title = BytesFromUtf16(text);
}
// -1 answers the first item in item order, whatever items carry -1.
ADMItemRef DialogGetItemImpl(ADMDialogRef dialog, ASInt32 id) {
  DENTER(GetItem);
  for (auto& item : D(dialog).items)
    if ((item->id == id || id == kADMNoItem) && !item->ending) return Ref(*item);
  return nullptr;
}
ADMItemRef DialogGetNextItemImpl(ADMDialogRef dialog, ADMItemRef ref) {
  DENTER(GetNextItem);
  bool after = false;
  for (auto& item : D(dialog).items) {
    if (after && !item->ending) return Ref(*item);
    if (Ref(*item) == ref) after = true;
  }
  return nullptr;
}
// An item a plug-in makes while its dialog runs: "item 1009 made: ADM
// Progress Bar Type (10, 55, 268, 78)".
ADMItemRef LoggedCreateItem(ADMDialogRef dialog, ASInt32 id, const char* type, const ADMRect* bounds,
                            ADMItemInitProc init, ADMUserData data) {
  ADMItemRef ref = CreateItem(dialog, id, type, bounds, init, data);
  if (ref) {
    const ADMRect& r = I(ref).bounds;
    hosttest::LogCall("item " + std::to_string(id) + " made: " + type + " (" + std::to_string(r.left) + ", " +
                      std::to_string(r.top) + ", " + std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")");
  }
  return ref;
}
ADMItemRef DialogCreateItemImpl(ADMDialogRef dialog, ASInt32 id, const char* type, const ADMRect* bounds,
                                ADMItemInitProc init, ADMUserData data, ASInt32) {
  DENTER(CreateItem);
  return LoggedCreateItem(dialog, id, type, bounds, init, data);
}
void DialogSetCursorIDImpl(ADMDialogRef dialog, ADMPluginRef plugin, ASInt32 cursorID) {
  DENTER(SetCursorID);
  Dialog& d = D(dialog);
  d.cursorPlugin = plugin;
  d.cursor = cursorID;
  hosttest::LogCall("dialog " + std::to_string(d.number) + " cursor " + std::to_string(cursorID));
}
void DialogGetCursorIDImpl(ADMDialogRef dialog, ADMPluginRef* plugin, ASInt32* cursorID) {
  DENTER(GetCursorID);
  Dialog& d = D(dialog);
  if (plugin) *plugin = d.cursorPlugin;
  if (cursorID) *cursorID = d.cursor;
}
void DialogEndModalImpl(ADMDialogRef dialog, ASInt32 itemID) {
  DENTER(EndModal);
  RequestEnd(D(dialog), itemID);
}

ADMItemRef ItemCreateImpl(ADMDialogRef dialog, ASInt32 id, const char* type, const ADMRect* bounds,
                          ADMItemInitProc init, ADMUserData data, ASInt32) {
  IENTER(Create);
  return LoggedCreateItem(dialog, id, type, bounds, init, data);
}

void ItemDestroyImpl(ADMItemRef ref) {
  IENTER(Destroy);
  auto item = FindItem(ref);
  if (!item) Raise(genErrBadHandle);
  if (!item->ending) hosttest::LogCall("item " + std::to_string(item->id) + " destroyed");
  DestroyItem(item);  // ignored while it is being destroyed
}
void ItemSetDrawProcImpl(ADMItemRef item, ADMItemDrawProc proc) {
  IENTER(SetDrawProc);
  I(item).draw = proc;
}
void ItemDefaultDrawImpl(ADMItemRef item, ADMDrawerRef) {
  IENTER(DefaultDraw);
  I(item);
}
void ItemSetTrackProcImpl(ADMItemRef item, ADMItemTrackProc proc) {
  IENTER(SetTrackProc);
  I(item).track = proc;
}
ADMBoolean ItemDefaultTrackImpl(ADMItemRef item, ADMTrackerRef) {
  IENTER(DefaultTrack);
  I(item);
  return 1;  // the press goes on to the notification
}
void ItemSetNotifyProcImpl(ADMItemRef item, ADMItemNotifyProc proc) {
  IENTER(SetNotifyProc);
  I(item).notify = proc;
}
void ItemDefaultNotifyImpl(ADMItemRef item, ADMNotifierRef notifier) {
  IENTER(DefaultNotify);
  NotifyDialog(*I(item).dialog, N(notifier));
}
void ItemSetDestroyProcImpl(ADMItemRef item, ADMItemDestroyProc proc) {
  IENTER(SetDestroyProc);
  I(item).destroy = proc;
}
void ItemSetUserDataImpl(ADMItemRef item, ADMUserData data) {
  IENTER(SetUserData);
  I(item).userData = data;
}
ADMUserData ItemGetUserDataImpl(ADMItemRef item) {
  IENTER(GetUserData);
  return I(item).userData;
}
void ItemSetTextImpl(ADMItemRef item, const char* text) {
  IENTER(SetText);
  SetText(I(item), Text(text));
}
void ItemSetTextWImpl(ADMItemRef item, const ASUns16* text) {
  IENTER(SetTextW);
  SetText(I(item), BytesFromUtf16(text));
}
void ItemGetTextImpl(ADMItemRef item, char* text, ASInt32 maxLength) {
  IENTER(GetText);
  CopyText(ItemText(I(item)), text, maxLength);
}
ASInt32 ItemGetTextLengthImpl(ADMItemRef item) {
  IENTER(GetTextLength);
  return static_cast<ASInt32>(ItemText(I(item)).size());
}
void ItemGetTextWImpl(ADMItemRef item, ASUns16* text, ASInt32 maxLength) {
  IENTER(GetTextW);
  std::u16string units = Utf16FromHostBytes(ItemText(I(item)));
  if (!text || maxLength <= 0) return;
  size_t n = std::min(units.size(), static_cast<size_t>(maxLength) - 1);
  std::copy(units.begin(), units.begin() + static_cast<std::ptrdiff_t>(n), text);
  text[n] = 0;
}
ASInt32 ItemGetTextLengthWImpl(ADMItemRef item) {
  IENTER(GetTextLengthW);
  return static_cast<ASInt32>(Utf16FromHostBytes(ItemText(I(item))).size());
}
void ItemSetBooleanValueImpl(ADMItemRef item, ADMBoolean value) {
  IENTER(SetBooleanValue);
  Item& i = I(item);
  if (value && i.kind == kPIItemRadioButton) {
    SelectRadio(i);
  } else if (i.on != (value != 0)) {
    i.on = value != 0;
    Invalidate(i);
  }
}
ADMBoolean ItemGetBooleanValueImpl(ADMItemRef item) {
  IENTER(GetBooleanValue);
  return I(item).on ? 1 : 0;
}
void ItemSetFloatToTextProcImpl(ADMItemRef item, ADMItemFloatToTextProc proc) {
  IENTER(SetFloatToTextProc);
  I(item).floatToText = proc;
}
ADMBoolean ItemDefaultFloatToTextImpl(ADMItemRef item, ADMReal value, char* text, ASInt32 maxLength) {
  IENTER(DefaultFloatToText);
  I(item);
  if (!text || maxLength <= 0) return 0;
  char buffer[64];
  int n = std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(value));
  if (n < 0 || n >= maxLength) {
    text[0] = 0;
    return 0;
  }
  std::memcpy(text, buffer, static_cast<size_t>(n) + 1);
  return 1;
}
void ItemSetTextToFloatProcImpl(ADMItemRef item, ADMItemTextToFloatProc proc) {
  IENTER(SetTextToFloatProc);
  I(item).textToFloat = proc;
}
// A number, with blanks around it and nothing else; finite and in range.
ADMBoolean ItemDefaultTextToFloatImpl(ADMItemRef item, const char* text, ADMReal* value) {
  IENTER(DefaultTextToFloat);
  I(item);
  if (!text || !value) return 0;
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(text, &end);
  if (end == text || errno == ERANGE || !std::isfinite(v) || std::fabs(v) > 3.4e38) return 0;
  while (*end == ' ' || *end == '\t') ++end;
  if (*end) return 0;
  *value = static_cast<ADMReal>(v);
  return 1;
}

ASInt32 ItemGetIDImpl(ADMItemRef item) {
  IENTER(GetID);
  return I(item).id;
}
WinWindow ItemGetWindowRefImpl(ADMItemRef item) {
  IENTER(GetWindowRef);
  return I(item).window;
}
ADMListRef ItemGetListImpl(ADMItemRef item) {
  IENTER(GetList);
  List* list = I(item).list.get();
  return list ? reinterpret_cast<ADMListRef>(list->handle) : nullptr;
}
// Only a hierarchy list item has one.
ADMHierarchyListRef ItemGetHierarchyListImpl(ADMItemRef item) {
  IENTER(GetHierarchyList);
  return ItemHierarchyList(I(item));
}
const char* ItemGetItemTypeImpl(ADMItemRef item) {
  IENTER(GetItemType);
  const char* type = ItemTypeName(I(item).kind);
  return type ? type : "";
}
void ItemEnableImpl(ADMItemRef item, ADMBoolean enable) {
  IENTER(Enable);
  Item& i = I(item);
  if (i.enabled == (enable != 0)) return;
  i.enabled = enable != 0;
  Invalidate(i);
}
void ItemSetBoundsRectImpl(ADMItemRef item, const ADMRect* bounds) {
  IENTER(SetBoundsRect);
  if (!bounds) Raise(genErrBadParm);
  SetBounds(I(item), *bounds);
}
void ItemGetBoundsRectImpl(ADMItemRef item, ADMRect* bounds) {
  IENTER(GetBoundsRect);
  Item& i = I(item);
  if (!bounds) Raise(genErrBadParm);
  *bounds = i.bounds;
}
void ItemGetBestSizeImpl(ADMItemRef item, ADMPoint* size) {
  IENTER(GetBestSize);
  Item& i = I(item);
  if (!size) Raise(genErrBadParm);
  metrics::NeededSize(ItemText(i), &size->h, &size->v);
}
void ItemRedrawImpl(ADMItemRef item) {
  IENTER(Redraw);
  Invalidate(I(item));
}
void ItemResizeImpl(ADMItemRef item, ASInt32 width, ASInt32 height) {
  IENTER(Resize);
  Item& i = I(item);
  if (width < 0 || height < 0) Raise(genErrBadParm);
  ADMRect r{i.bounds.left, i.bounds.top, i.bounds.left + width, i.bounds.top + height};
  if (r.right == i.bounds.right && r.bottom == i.bounds.bottom) return;
  SetBounds(i, r);
  hosttest::LogCall("item " + std::to_string(i.id) + " resized " + std::to_string(width) + " x " + std::to_string(height));
}
void ItemPrepareStaticTextImpl(ADMItemRef item) {
  IENTER(PrepareStaticText);
  I(item);
}
// Only a static text changes its type: to the multi-line kind and back.
void ItemSetItemTypeImpl(ADMItemRef item, const char* type) {
  IENTER(SetItemType);
  Item& i = I(item);
  ASInt32 kind = KindOfType(type);
  bool statics = (i.kind == kPIItemStatic || i.kind == kPIItemStaticMultiLine) &&
                 (kind == kPIItemStatic || kind == kPIItemStaticMultiLine);
  if (!statics) Raise(genErrBadParm);
  i.kind = kind;
  Invalidate(i);
}
void ItemSelectAllImpl(ADMItemRef item, ADMBoolean select) {
  IENTER(SelectAll);
  Item& i = I(item);
  hosttest::LogCall("item " + std::to_string(i.id) + (select ? " text selected" : " text unselected"));
}
void ItemTakeFocusImpl(ADMItemRef item) {
  IENTER(TakeFocus);
  Item& i = I(item);
  i.dialog->focus = &i;
  hosttest::LogCall("item " + std::to_string(i.id) + " focus");
}
void LogValue(const Item& i, const char* what, ASInt32 value) {
  hosttest::LogCall("item " + std::to_string(i.id) + " " + what + " " + std::to_string(value));
}
void ItemSetIntValueImpl(ADMItemRef item, ASInt32 value) {
  IENTER(SetIntValue);
  Item& i = I(item);
  if (i.value == value) return;
  i.value = value;
  Invalidate(i);
  LogValue(i, "value", value);
}
// Single-precision values live in the edit's text: shown with the decimals
// the item was given, else with up to six and no trailing zeros or point.
void ItemSetFloatValueImpl(ADMItemRef item, float value) {
  IENTER(SetFloatValue);
  Item& i = I(item);
  char text[64];
  if (i.precision >= 0) {
    std::snprintf(text, sizeof text, "%.*f", static_cast<int>(i.precision), static_cast<double>(value));
  } else {
    std::snprintf(text, sizeof text, "%.6f", static_cast<double>(value));
    char* end = text + std::strlen(text);
    while (end > text && end[-1] == '0') *--end = 0;
    if (end > text && end[-1] == '.') *--end = 0;
    if (std::strcmp(text, "-0") == 0) std::strcpy(text, "0");
  }
  SetText(i, text);
}
// A text that is no number reads as 0.
float ItemGetFloatValueImpl(ADMItemRef item) {
  IENTER(GetFloatValue);
  const std::string text = ItemText(I(item));
  char* end = nullptr;
  const float value = std::strtof(text.c_str(), &end);
  if (end == text.c_str()) return 0;
  while (*end == ' ') ++end;
  return *end || !std::isfinite(value) ? 0 : value;
}
ASInt32 ItemGetIntValueImpl(ADMItemRef item) {
  IENTER(GetIntValue);
  return I(item).value;
}
void ItemSetMinIntValueImpl(ADMItemRef item, ASInt32 value) {
  IENTER(SetMinIntValue);
  Item& i = I(item);
  i.minimum = value;
  i.low = value;
  Invalidate(i);
  LogValue(i, "minimum", value);
}
void ItemSetMaxIntValueImpl(ADMItemRef item, ASInt32 value) {
  IENTER(SetMaxIntValue);
  Item& i = I(item);
  i.maximum = value;
  i.high = value;
  Invalidate(i);
  LogValue(i, "maximum", value);
}
// Only an edit's range takes fractions; the log shows them as %g does.
void SetRealBound(Item& i, double* bound, const char* what, ADMReal value) {
  *bound = value;
  char text[64];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
  hosttest::LogCall("item " + std::to_string(i.id) + " " + what + " " + text);
}
void ItemSetMinFloatValueImpl(ADMItemRef item, ADMReal value) {
  IENTER(SetMinFloatValue);
  Item& i = I(item);
  SetRealBound(i, &i.low, "minimum", value);
}
void ItemSetMaxFloatValueImpl(ADMItemRef item, ADMReal value) {
  IENTER(SetMaxFloatValue);
  Item& i = I(item);
  SetRealBound(i, &i.high, "maximum", value);
}
// A pop-up stays in view: its list drops down or closes.
void ItemShowImpl(ADMItemRef item, ADMBoolean show) {
  IENTER(Show);
  Item& i = I(item);
  if (i.kind == kPIItemPopupList) {
    i.listOpen = show != 0;
    hosttest::LogCall("item " + std::to_string(i.id) + (i.listOpen ? " list opened" : " list closed"));
    return;
  }
  if (i.visible == (show != 0)) return;
  i.visible = show != 0;
  Invalidate(i);
}
void ItemSetStyleCodeImpl(ADMItemRef item, ASInt32 code) {
  IENTER(SetStyleCode);
  LogValue(I(item), "style code", code);
}
void ItemSetFormatCodeImpl(ADMItemRef item, ASInt32 code) {
  IENTER(SetFormatCode);
  LogValue(I(item), "format code", code);
}
void ItemSetJustifyImpl(ADMItemRef item, ASInt32 justify) {
  IENTER(SetJustify);
  LogValue(I(item), "justify", justify);
}

ADMItemRef ItemGetChildItemImpl(ADMItemRef item, ASInt32 child) {
  IENTER(GetChildItem);
  Item& i = I(item);
  if (child < 1 || static_cast<size_t>(child) > i.children.size()) return nullptr;
  return Ref(*i.children[static_cast<size_t>(child - 1)]);
}
void ItemMoveImpl(ADMItemRef item, ASInt32 x, ASInt32 y) {
  IENTER(Move);
  Item& i = I(item);
  SetBounds(i, ADMRect{x, y, x + i.bounds.right - i.bounds.left, y + i.bounds.bottom - i.bounds.top});
}
ASInt32 ItemGetFontImpl(ADMItemRef item) {
  IENTER(GetFont);
  I(item);
  return 0;
}
void ItemSetSmallIncrementImpl(ADMItemRef item, ADMReal step) {
  IENTER(SetSmallIncrement);
  I(item).smallStep = step;
}
ADMReal ItemGetSmallIncrementImpl(ADMItemRef item) {
  IENTER(GetSmallIncrement);
  return I(item).smallStep;
}
void ItemSetLargeIncrementImpl(ADMItemRef item, ADMReal step) {
  IENTER(SetLargeIncrement);
  I(item).largeStep = step;
}

void DialogInvalidateImpl(ADMDialogRef dialog) {
  DENTER(Invalidate);
  for (auto& item : D(dialog).items) Invalidate(*item);
}
// Every item that overlaps the rectangle is drawn again.
void DialogInvalidateRectImpl(ADMDialogRef dialog, const ADMRect* rect) {
  DENTER(InvalidateRect);
  if (!rect) Raise(genErrBadParm);
  for (auto& item : D(dialog).items) {
    const ADMRect& b = item->bounds;
    if (b.left < rect->right && rect->left < b.right && b.top < rect->bottom && rect->top < b.bottom) Invalidate(*item);
  }
}

ADMBoolean NotifierIsNotifierTypeImpl(ADMNotifierRef notifier, const char* type) {
  NENTER(IsNotifierType);
  return type && N(notifier).type == type ? 1 : 0;
}
ADMItemRef NotifierGetItemImpl(ADMNotifierRef notifier) {
  NENTER(GetItem);
  Item* item = N(notifier).item;
  return item ? Ref(*item) : nullptr;
}

}  // namespace

// The host's own interface ------------------------------------------------------
DialogView DescribeDialog(ADMDialogRef dialog) { return Describe(D(dialog)); }

std::vector<ADMDialogRef> OpenDialogs() {
  std::vector<ADMDialogRef> out;
  for (auto& entry : M().dialogs)
    if (!entry.second->ending) out.push_back(Ref(*entry.second));
  return out;
}

ADMDialogRef InnermostModalDialog() { return M().runs.empty() ? nullptr : Ref(*M().runs.back()); }

bool PressItem(ADMItemRef ref, std::string* why) {
  auto item = UsableItem(ref, why);
  if (!item) return false;
  switch (item->kind) {
    case kPIItemPushButton:
    case kPIItemCheckBox:
    case kPIItemRadioButton:
    case kPIItemEdit: break;
    case kPIItemPopupList: return Refuse(why, ItemName(*item) + " is a pop-up: choose one of its entries");
    case kPIItemListBox: return Refuse(why, ItemName(*item) + " is a list: select one of its entries");
    case kPIItemScrollbar: return Refuse(why, ItemName(*item) + " is a scrollbar: scroll it");
    default: return Refuse(why, ItemName(*item) + " takes no press");
  }
  return UserAction(*item->dialog, [&] {
    Invalidate(*item);
    if (item->track) {
      Tracker t{item->dialog, item.get()};
      LiveScope live(&t);
      if (!item->track(Ref(*item), reinterpret_cast<ADMTrackerRef>(&t))) return;
    }
    Pressed(*item);
  });
}

bool TrackItem(ADMItemRef ref, ASInt32 x, ASInt32 y, std::string* why) {
  auto item = UsableItem(ref, why);
  if (!item) return false;
  const ADMRect& b = item->bounds;
  if (x < 0 || y < 0 || x > b.right - b.left || y > b.bottom - b.top)
    return Refuse(why, "(" + std::to_string(x) + ", " + std::to_string(y) + ") lies outside " + ItemName(*item) +
                           ", " + std::to_string(b.right - b.left) + " by " + std::to_string(b.bottom - b.top));
  return UserAction(*item->dialog, [&] {
    Invalidate(*item);
    if (item->track) {
      for (ASInt32 action : {kADMButtonDownAction, kADMButtonUpAction}) {
        Tracker t{item->dialog, item.get(), action, ADMPoint{b.left + x, b.top + y}};
        LiveScope live(&t);
        if (!item->track(Ref(*item), reinterpret_cast<ADMTrackerRef>(&t))) return;
        if (item->ending || item->dialog->ending) return;
      }
    }
    Pressed(*item);
  });
}

bool PressCloseBox(ADMDialogRef ref, std::string* why) {
  auto d = FindDialog(ref);
  if (!d || d->ending) return Refuse(why, "the dialog is gone");
  if (!d->visible) return Refuse(why, DialogName(*d) + " is not shown");
  return UserAction(*d, [&] {
    if (!d->notify) return;  // the default does nothing
    Notifier n{ADM_NOTIFY_CLOSE_HIT, nullptr, d.get()};
    LiveScope live(&n);
    d->notify(Ref(*d), reinterpret_cast<ADMNotifierRef>(&n));
  });
}

bool SetItemText(ADMItemRef ref, const std::string& text, std::string* why) {
  auto item = UsableItem(ref, why);
  if (!item) return false;
  if (item->kind != kPIItemEdit) return Refuse(why, ItemName(*item) + " is not a text entry");
  // A number typed into a numeric entry is shown with the entry's decimals
  // once the entry takes it, as a value the plug-in sets would be.
  std::string shown = text;
  if (item->precision >= 0) {
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    while (end && *end == ' ') ++end;
    if (end != text.c_str() && end && !*end && std::isfinite(number)) {
      char formatted[64];
      std::snprintf(formatted, sizeof formatted, "%.*f", static_cast<int>(item->precision), number);
      shown = formatted;
    }
  }
  return UserAction(*item->dialog, [&] {
    SetText(*item, shown);
    NotifyItem(*item, ADM_NOTIFY_USER_CHANGED);
  });
}

bool CheckItem(ADMItemRef ref, bool on, std::string* why) {
  auto item = UsableItem(ref, why);
  if (!item) return false;
  if (item->kind != kPIItemCheckBox && item->kind != kPIItemRadioButton)
    return Refuse(why, ItemName(*item) + " is neither a check box nor a radio button");
  return UserAction(*item->dialog, [&] {
    if (on && item->kind == kPIItemRadioButton)
      SelectRadio(*item);
    else
      item->on = on;
    Invalidate(*item);
    NotifyItem(*item, ADM_NOTIFY_USER_CHANGED);
  });
}

bool ScrollItem(ADMItemRef ref, ASInt32 value, std::string* why) {
  auto item = UsableItem(ref, why);
  if (!item) return false;
  if (item->kind != kPIItemScrollbar) return Refuse(why, ItemName(*item) + " is not a scrollbar");
  if (value < item->minimum || value > item->maximum)
    return Refuse(why, ItemName(*item) + " scrolls from " + std::to_string(item->minimum) + " to " +
                           std::to_string(item->maximum));
  return UserAction(*item->dialog, [&] {
    item->value = value;
    Invalidate(*item);
    NotifyItem(*item, ADM_NOTIFY_INTERMEDIATE_CHANGED);
    if (!item->ending && !item->dialog->ending) NotifyItem(*item, ADM_NOTIFY_USER_CHANGED);
  });
}

// Drawing that waits: the user looks at the dialog before the next step. A
// modeless dialog whose procedure throws is ended on the way.
void DrawPending() {
  for (ADMDialogRef ref : OpenDialogs()) {
    auto d = FindDialog(ref);
    if (!d || d->ending || !d->visible || !d->shown) continue;
    try {
      DrawDialog(*d, false);
    } catch (...) {
      if (!d->runs) EndDialog(d, false);
      throw;
    }
  }
}

namespace {
bool ChangeBounds(ADMDialogRef ref, const char* type, std::string* why, ADMRect (*change)(const ADMRect&, ASInt32, ASInt32),
                  ASInt32 a, ASInt32 b) {
  auto d = FindDialog(ref);
  if (!d || d->ending) return Refuse(why, "the dialog is gone");
  if (!d->visible) return Refuse(why, DialogName(*d) + " is not shown");
  return UserAction(*d, [&] {
    d->bounds = change(d->bounds, a, b);
    Notifier n{type, nullptr, d.get()};
    LiveScope live(&n);
    NotifyDialog(*d, n);
  });
}
}  // namespace

bool MoveDialog(ADMDialogRef dialog, ASInt32 x, ASInt32 y, std::string* why) {
  return ChangeBounds(dialog, ADM_NOTIFY_MOVED_BY_DRAG, why,
                      [](const ADMRect& r, ASInt32 x, ASInt32 y) {
                        return ADMRect{x, y, x + r.right - r.left, y + r.bottom - r.top};
                      },
                      x, y);
}

bool ResizeDialog(ADMDialogRef dialog, ASInt32 width, ASInt32 height, std::string* why) {
  if (width < 0 || height < 0) return Refuse(why, "a dialog's width and height are not negative");
  return ChangeBounds(dialog, ADM_NOTIFY_BOUNDS_CHANGED, why,
                      [](const ADMRect& r, ASInt32 w, ASInt32 h) { return ADMRect{r.left, r.top, r.left + w, r.top + h}; },
                      width, height);
}

void SetDriver(Driver* driver) { M().driver = driver; }
Driver* CurrentDriver() { return M().driver; }
bool CancelRequested() { return M().cancel || (M().driver && M().driver->WantsCancel()); }

WinWindow AppWindow() { return reinterpret_cast<WinWindow>(1); }

bool WindowBounds(WinWindow window, ADMRect* bounds) {
  auto it = M().windows.find(window);
  if (it == M().windows.end()) return false;
  if (bounds) *bounds = it->second->bounds;
  return true;
}

void SetWindowBounds(WinWindow window, const ADMRect& bounds) {
  auto it = M().windows.find(window);
  if (it != M().windows.end()) it->second->bounds = bounds;
}

void InitDialogSuites() {
  HFT dialog = NewTable("ADM Dialog Suite", 7, kSuiteTableSize);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(dialog, ADMDialogSel, Dialog##name##Impl, name, ret, params);
  HOST_ADMDIALOG_PROCS(FILL)
#undef FILL
  OfferSuite("ADM Dialog Suite", 7, dialog);
  HFT item = NewTable("ADM Item Suite", 6, kSuiteTableSize);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(item, ADMItemSel, Item##name##Impl, name, ret, params);
  HOST_ADMITEM_PROCS(FILL)
#undef FILL
  // Where our own numbers came first, both reach the operation.
  AlsoAt(item, 42, ADMItemSel::GetBoundsRect);
  AlsoAt(item, 1000, ADMItemSel::Redraw);
  AlsoAt(item, 1001, ADMItemSel::Resize);
  AlsoAt(item, 1007, ADMItemSel::GetIntValue);
  AlsoAt(item, 1009, ADMItemSel::SetMaxIntValue);
  InitPaletteEntries(dialog, item);
  OfferSuite("ADM Item Suite", 6, item);
  HFT notifier = NewTable("ADM Notifier Suite", 2, kSuiteTableSize);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(notifier, ADMNotifierSel, Notifier##name##Impl, name, ret, params);
  HOST_ADMNOTIFIER_PROCS(FILL)
#undef FILL
  OfferSuite("ADM Notifier Suite", 2, notifier);
  InitDialogListSuites();
  InitDrawerSuite();
}

}  // namespace host

namespace hosttest {
void SetCancel(bool cancel) { host::M().cancel = cancel; }
}  // namespace hosttest
